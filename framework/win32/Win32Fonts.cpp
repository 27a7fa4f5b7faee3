#include "framework/win32/Win32Fonts.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <map>
#include <optional>

namespace texkit2::framework::win32 {
namespace {

constexpr WORD kExtendedTemplate = 0xFFFF; // the second word of a DLGTEMPLATEEX
constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// What the layouts' fonts measure where they were drawn, at 96 dots per inch: the width of the
// 52 Latin letters (the measure of dialog units) and the line height, in pixels.
struct Original {
  const wchar_t* face;
  int points;
  int letters;
  int height;
  bool serif;
};
constexpr Original kOriginals[] = {
    {L"MS Sans Serif", 8, 323, 13, false},
    {L"Times New Roman", 10, 380, 15, true},
};
// A stand-in's letters are a little narrower than the original's: the texts that fill their
// controls were fitted to the bitmap face, whose words run a little narrower than its letters.
constexpr int kWidest = 97; // per cent
constexpr int kLower = 1;   // pixel
// Above 96 DPI the sizes come in steps of several pixels and each letter's width is rounded
// its own way, so texts stray further from the letters' measure: more room. The lines no
// lower than the original's scaled, so that the controls keep the check boxes, which grow
// with the DPI exactly.
constexpr int kWidestScaled = 94; // per cent

constexpr const wchar_t* kSansStandIns[] = {L"Microsoft Sans Serif",
                                            L"Arial",
                                            L"Liberation Sans",
                                            L"Arimo",
                                            L"Tahoma",
                                            L"Arial Narrow",
                                            L"Liberation Sans Narrow",
                                            L"DejaVu Sans",
                                            L"DejaVu Sans Condensed"};
constexpr const wchar_t* kSerifStandIns[] = {L"Liberation Serif", L"Tinos", L"DejaVu Serif"};

std::vector<std::wstring>& missing() {
  static std::vector<std::wstring> faces;
  return faces;
}

std::map<std::pair<std::wstring, int>, TemplateFont>& chosen() {
  static std::map<std::pair<std::wstring, int>, TemplateFont> fonts;
  return fonts;
}

bool sameFace(const std::wstring& a, const std::wstring& b) {
  return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

int CALLBACK foundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool installed(HDC dc, const std::wstring& face) {
  for (const auto& gone : missing()) {
    if (sameFace(gone, face)) {
      return false;
    }
  }
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  ::EnumFontFamiliesExW(dc, &wanted, &foundFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

struct Measure {
  int letters = 0;
  int height = 0;
};

Measure measure(HDC dc, const std::wstring& face, int points) {
  HFONT font =
      ::CreateFontW(-::MulDiv(points, ::GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  HGDIOBJ before = ::SelectObject(dc, font);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, kLetters, 52, &size);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, before);
  ::DeleteObject(font);
  return {static_cast<int>(size.cx), static_cast<int>(metrics.tmHeight)};
}

// The installed face and size closest to the original: its letters a little narrower, so that
// every text keeps within its control, and its lines at most a pixel lower, so that one-line
// controls keep their text; the widest such.
std::optional<TemplateFont> standIn(HDC dc, const Original& original) {
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  const int letters = ::MulDiv(original.letters, dpi, 96);
  const int height = ::MulDiv(original.height, dpi, 96);
  std::optional<TemplateFont> best;
  Measure bestMeasure;
  const auto consider = [&](const wchar_t* face) {
    if (!installed(dc, face)) {
      return;
    }
    for (int points = original.points / 2; points <= original.points * 3 / 2; ++points) {
      const Measure m = measure(dc, face, points);
      if (m.letters * 100 > letters * (dpi > 96 ? kWidestScaled : kWidest) ||
          m.height < height - (dpi > 96 ? 0 : kLower)) {
        continue;
      }
      if (!best || m.letters > bestMeasure.letters ||
          (m.letters == bestMeasure.letters && m.height < bestMeasure.height)) {
        best = TemplateFont{face, points};
        bestMeasure = m;
      }
    }
  };
  if (original.serif) {
    std::for_each(std::begin(kSerifStandIns), std::end(kSerifStandIns), consider);
  } else {
    std::for_each(std::begin(kSansStandIns), std::end(kSansStandIns), consider);
  }
  return best;
}

// Where a layout keeps its font: the offsets of the point size and of the face, in bytes.
struct FontPlace {
  std::size_t points = 0;
  std::size_t face = 0;
  std::size_t faceEnd = 0; // past its terminating zero
  std::size_t items = 0;   // where the controls start
};

WORD wordAt(const std::vector<char>& bytes, std::size_t offset) {
  WORD word = 0;
  if (offset + sizeof word <= bytes.size()) {
    std::memcpy(&word, bytes.data() + offset, sizeof word);
  }
  return word;
}

// Past a name or ordinal field (0xFFFF and a number, or a zero-terminated string).
std::size_t skipNameOrOrdinal(const std::vector<char>& bytes, std::size_t at) {
  if (wordAt(bytes, at) == 0xFFFF) {
    return at + 4;
  }
  while (at + 2 <= bytes.size() && wordAt(bytes, at) != 0) {
    at += 2;
  }
  return at + 2;
}

std::optional<FontPlace> fontPlace(const std::vector<char>& bytes) {
  if (bytes.size() < 26) {
    return std::nullopt;
  }
  const bool extended = wordAt(bytes, 2) == kExtendedTemplate;
  DWORD style = 0;
  std::memcpy(&style, bytes.data() + (extended ? 12 : 0), sizeof style);
  if ((style & DS_SETFONT) == 0) {
    return std::nullopt;
  }
  std::size_t at = extended ? 26 : 18; // the menu
  at = skipNameOrOrdinal(bytes, at);   // the menu
  at = skipNameOrOrdinal(bytes, at);   // the window class
  at = skipNameOrOrdinal(bytes, at);   // the title
  FontPlace place;
  place.points = at;
  place.face = at + (extended ? 6 : 2); // weight, italic and character set follow the size
  place.faceEnd = skipNameOrOrdinal(bytes, place.face);
  place.items = (place.faceEnd + 3) & ~std::size_t{3};
  if (place.faceEnd > bytes.size()) {
    return std::nullopt;
  }
  return place;
}

} // namespace

TemplateFont fontOf(const std::vector<char>& layout) {
  const auto place = fontPlace(layout);
  if (!place) {
    return {};
  }
  TemplateFont font;
  font.points = wordAt(layout, place->points);
  for (std::size_t at = place->face; at + 2 < place->faceEnd; at += 2) {
    font.face += static_cast<wchar_t>(wordAt(layout, at));
  }
  return font;
}

std::vector<char> withInstalledFont(std::vector<char> layout) {
  const auto place = fontPlace(layout);
  if (!place) {
    return layout;
  }
  const TemplateFont named = fontOf(layout);
  const auto key = std::make_pair(named.face, named.points);
  auto found = chosen().find(key);
  if (found == chosen().end()) {
    TemplateFont font = named;
    HDC dc = ::GetDC(nullptr);
    for (const Original& original : kOriginals) {
      if (!sameFace(original.face, named.face) || original.points != named.points) {
        continue;
      }
      // A face the system replaces by another (Wine names its stand-ins after the originals)
      // is only as good as its metrics. A bitmap face has no size for every DPI: above 96 it
      // comes smaller, and the dialog with it, while check boxes grow with the DPI.
      const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
      const Measure measured =
          installed(dc, named.face) ? measure(dc, named.face, named.points) : Measure{};
      const bool fits =
          measured.letters > 0 && measured.letters <= ::MulDiv(original.letters, dpi, 96) &&
          measured.height >= ::MulDiv(original.height, dpi, 96) - (dpi > 96 ? 0 : kLower);
      if (!fits) {
        if (auto better = standIn(dc, original)) {
          font = *better;
        }
      }
    }
    ::ReleaseDC(nullptr, dc);
    found = chosen().emplace(key, font).first;
  }
  const TemplateFont& font = found->second;
  if (font.face == named.face && font.points == named.points) {
    return layout;
  }
  std::vector<char> rewritten(layout.begin(),
                              layout.begin() + static_cast<std::ptrdiff_t>(place->face));
  const WORD points = static_cast<WORD>(font.points);
  std::memcpy(rewritten.data() + place->points, &points, sizeof points);
  for (const wchar_t c : font.face + L'\0') {
    const auto unit = static_cast<WORD>(c);
    rewritten.insert(rewritten.end(), reinterpret_cast<const char*>(&unit),
                     reinterpret_cast<const char*>(&unit) + sizeof unit);
  }
  rewritten.resize((rewritten.size() + 3) & ~std::size_t{3}, '\0');
  if (place->items < layout.size()) {
    rewritten.insert(rewritten.end(), layout.begin() + static_cast<std::ptrdiff_t>(place->items),
                     layout.end());
  }
  return rewritten;
}

void treatFontsAsMissing(std::vector<std::wstring> faces) {
  missing() = std::move(faces);
  chosen().clear();
}

} // namespace texkit2::framework::win32
