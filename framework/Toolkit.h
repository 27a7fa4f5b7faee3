#pragma once

// What a backend implements: a window per dialog, its trees and image lists, and the services
// around them. Only the framework and the backends include this; dialogs use Dialog.h.

#include "framework/Picture.h"
#include "framework/TreeCtrl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace texkit2::framework {

class CDialog;

// The window of one dialog, built from its layout. Controls are named by their numeric ids;
// calls naming a control the layout lacks do nothing.
class DialogPeer {
 public:
  virtual ~DialogPeer() = default;

  // Builds the window and its controls, hidden, centred over the owner (or the screen).
  virtual void build() = 0;
  // Shows the window modally until end(); returns the result passed to end().
  virtual int runModal() = 0;
  virtual void end(int result) = 0;

  virtual void setEnabled(int controlId, bool enable) = 0;
  virtual bool isEnabled(int controlId) const = 0;
  virtual void setShown(int controlId, bool show) = 0;
  virtual bool isShown(int controlId) const = 0;
  virtual void setText(int controlId, const std::string& text) = 0;
  virtual std::string text(int controlId) const = 0;
  virtual bool isChecked(int controlId) const = 0;
  virtual void setChecked(int controlId, bool checked) = 0;
  virtual std::vector<int> radioGroup(int firstId) const = 0;
  virtual void setButtonIcon(int controlId, int iconId) = 0;
  virtual void setWindowIcon(int iconId) = 0;

  virtual void setProgressRange(int controlId, std::int32_t maximum) = 0;
  virtual void setProgressPos(int controlId, std::int32_t position) = 0;
  virtual std::int32_t progressPos(int controlId) const = 0;
  virtual std::int32_t progressMax(int controlId) const = 0;

  virtual bool animationOpen(int controlId, int clipId) = 0;
  virtual bool animationPlay(int controlId, int from, int to, int repeat) = 0;
  virtual void animationStop(int controlId) = 0;
  virtual void animationClose(int controlId) = 0;
  virtual bool animationIsOpen(int controlId) const = 0;
  virtual bool animationIsPlaying(int controlId) const = 0;

  virtual void startTimer(int id, int milliseconds) = 0;
  virtual void stopTimer(int id) = 0;
  virtual bool hasTimer(int id) const = 0;

  // Draws the attention state (the caption inverted, or what the window system offers).
  virtual void flash(bool on, bool toggled) = 0;

  virtual void menuAppendSeparator() = 0;
  virtual void menuAppendCommand(int command, const std::string& text) = 0;
  virtual void menuDelete(int position) = 0;
  virtual std::vector<int> menuCommands() const = 0;

  // The tree control `controlId`; null when the layout has none there.
  virtual TreePeer* tree(int controlId) = 0;

  // A thumbnail list (layout type "thumbnails"): `count` items, 0 to count - 1, shown as a grid
  // of pictures with a caption under each, several selectable at once. It asks the dialog for
  // an item's caption and picture (CDialog::OnThumbnailNeedItem) only when it is about to show
  // that item, and keeps the answer until thumbnailsUpdate. Setting the count clears the
  // selection (reported as no change) and scrolls to the top. Enter on an item activates it and
  // does not reach the default button; typing does not search the captions (that would ask for
  // every item).
  virtual void thumbnailsSetCount(int controlId, int count) = 0;
  virtual int thumbnailsCount(int controlId) const = 0;
  // Forgets what it was told of items `first` to `last` and asks again when it shows them.
  virtual void thumbnailsUpdate(int controlId, int first, int last) = 0;
  // The selected items, ascending.
  virtual std::vector<int> thumbnailsSelection(int controlId) const = 0;
  // Selects exactly `items` (and scrolls the first into view); reported as a selection change.
  virtual void thumbnailsSetSelection(int controlId, const std::vector<int>& items) = 0;
  // The items the list shows now, wholly or in part, ascending; for tests and for the dialog to
  // keep its work to what is seen.
  virtual std::vector<int> thumbnailsVisible(int controlId) const = 0;

  // The picture of a picture control (layout type "picture"), drawn from the control's top-left
  // corner at its own size, scaled down (keeping its proportions) when larger than the control,
  // never up; an empty picture clears it.
  virtual void setPicture(int controlId, const Picture& picture) = 0;
  // What setPicture last gave it, for tests.
  virtual Picture picture(int controlId) const = 0;
};

// The view of a tree control. Changes made through it notify nothing; what the user does is
// reported to the attached CTreeCtrl (expanding, before the change) and selection changes to it.
class TreePeer {
 public:
  virtual ~TreePeer() = default;

  virtual void attach(CTreeCtrl& control) = 0;
  // The control is going: nothing more is reported to it.
  virtual void detach() {}
  virtual void setImageList(const CImageList* images) = 0;
  virtual HTREEITEM insert(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                           bool sorted) = 0;
  virtual bool remove(HTREEITEM item) = 0;
  virtual HTREEITEM root() const = 0;
  virtual HTREEITEM child(HTREEITEM item) const = 0;
  virtual HTREEITEM nextSibling(HTREEITEM item) const = 0;
  virtual HTREEITEM parent(HTREEITEM item) const = 0;
  virtual HTREEITEM selected() const = 0;
  // Moves the selection (null clears it); a change is reported as a selection change.
  virtual bool select(HTREEITEM item) = 0;
  virtual std::string text(HTREEITEM item) const = 0;
  virtual bool image(HTREEITEM item, int& image, int& selectedImage) const = 0;
  virtual std::uintptr_t data(HTREEITEM item) const = 0;
  virtual bool setData(HTREEITEM item, std::uintptr_t data) = 0;
  virtual bool isExpanded(HTREEITEM item) const = 0;
  virtual bool hasButton(HTREEITEM item) const = 0;
  // Without a notification.
  virtual void setExpanded(HTREEITEM item, bool expanded) = 0;
};

class ImageListPeer {
 public:
  virtual ~ImageListPeer() = default;
  virtual int count() const = 0;
};

// Input to the owner's window is held off and the wait cursor shown while one lives.
class CapturePeer {
 public:
  virtual ~CapturePeer() = default;
};

enum class BoxIcon { None, Warning, Error };

// The backend linked into the program.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  virtual std::unique_ptr<DialogPeer> createDialog(CDialog& dialog) = 0;
  virtual std::unique_ptr<ImageListPeer> createImageList(int bitmapId, int imageWidth,
                                                         std::uint32_t maskRgb) = 0;
  virtual std::unique_ptr<CapturePeer> captureWithWaitCursor(CDialog& owner) = 0;
  // Runs `work` on a worker thread and returns when it is done; meanwhile the dialogs repaint
  // and their animations and timers go on.
  virtual void runLongOperation(const std::function<void()>& work) = 0;
  // Calls `fn` on the thread of the dialogs: directly when already there, else posted (waiting
  // for it when `wait`).
  virtual void callOnGuiThread(std::function<void()> fn, bool wait) = 0;
  virtual void messageBox(CDialog* owner, const std::string& text, const std::string& caption,
                          BoxIcon icon) = 0;
  virtual std::optional<std::string> loadString(int id) = 0;
  // The system's own file choosers, modal over `owner`; nothing when the user cancels. Paths
  // as the platform spells them, in UTF-8 (Win32: the ANSI code page's bytes, as elsewhere).
  // `patterns`: what the open chooser lists, as "*.wad"; the user may still choose any file.
  virtual std::optional<std::string> chooseFileToOpen(CDialog* owner, const std::string& title,
                                                      const std::string& filterName,
                                                      const std::string& patterns) = 0;
  virtual std::optional<std::string> chooseFolder(CDialog* owner, const std::string& title) = 0;
};

// Defined by the backend the program links.
Toolkit& toolkit();

// Counts a backend's own changes of a view while it lives, so that they do not come back as
// notifications; restored on every way out, so that a nested change stays quiet too.
class QuietScope {
 public:
  explicit QuietScope(int& counter) : m_counter(counter) { ++m_counter; }
  ~QuietScope() { --m_counter; }
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

 private:
  int& m_counter;
};

} // namespace texkit2::framework
