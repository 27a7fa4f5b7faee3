#pragma once

// Drive tables and tree helpers for the tests of the directory tree and the Locate dialog.

#include "framework/qt/QtTree.h"
#include "locate/DirTreeCtrl.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"

#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QTreeWidgetItem>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace texkit2::testing {

// Passes everything to a MemoryDrives and counts what the tree asks, so that tests see which
// folders were read and how often a medium was checked.
class CountingDrives final : public platform::Drives {
 public:
  explicit CountingDrives(platform::MemoryDrives& target) : m_target(target) {}

  std::vector<platform::DriveRoot> drives() override {
    const QCursor* cursor = QApplication::overrideCursor();
    cursorAtDrives = cursor == nullptr ? std::nullopt : std::optional(cursor->shape());
    return m_target.drives();
  }
  std::optional<platform::DriveRoot> driveHolding(const std::string& path) override {
    return m_target.driveHolding(path);
  }
  std::optional<std::uint32_t> volumeSerial(const std::string& root) override {
    ++serialReads;
    return m_target.volumeSerial(root);
  }
  std::error_code listFolder(const std::string& folder,
                             std::vector<platform::FolderEntry>& entries) override {
    listed.push_back(folder);
    return m_target.listFolder(folder, entries);
  }
  bool isFolder(const std::string& path) override { return m_target.isFolder(path); }

  bool wasListed(const std::string& folder) const {
    for (const std::string& each : listed) {
      if (each == folder) {
        return true;
      }
    }
    return false;
  }

  std::vector<std::string> listed;
  int serialReads = 0;
  // The override cursor while the drive table was read: the wait cursor during a fill.
  std::optional<Qt::CursorShape> cursorAtDrives;

 private:
  platform::MemoryDrives& m_target;
};

inline void makeFolder(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
}

// The game folder's data folder with the two archives under the names given.
inline void writeGameData(const std::filesystem::path& dataFolder,
                          const std::string& pak0 = "PAK0.PAK",
                          const std::string& pak1 = "PAK1.PAK") {
  makeFolder(dataFolder);
  if (!pak0.empty()) {
    writeText(dataFolder / pak0, "PACK");
  }
  if (!pak1.empty()) {
    writeText(dataFolder / pak1, "PACK");
  }
}

inline QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const QString& text) {
  if (parent == nullptr) {
    return nullptr;
  }
  for (int i = 0; i < parent->childCount(); ++i) {
    if (parent->child(i)->text(0) == text) {
      return parent->child(i);
    }
  }
  return nullptr;
}

inline QStringList childTexts(const QTreeWidgetItem* parent) {
  QStringList texts;
  for (int i = 0; i < parent->childCount(); ++i) {
    texts << parent->child(i)->text(0);
  }
  return texts;
}

inline QTreeWidgetItem* rootNamed(QTreeWidget& view, const std::string& root) {
  for (int i = 0; i < view.topLevelItemCount(); ++i) {
    if (view.topLevelItem(i)->text(0) == QString::fromStdString(root)) {
      return view.topLevelItem(i);
    }
  }
  return nullptr;
}

// Only the placeholder below: collapsed, with an expand button, nothing listed.
inline bool holdsOnlyPlaceholder(const locate::CDirTreeCtrl& tree, const QTreeWidgetItem* item) {
  return item->childCount() == 1 && tree.isPlaceholder(framework::QtTree::handle(item->child(0)));
}

// A click on the item's expand button, as the user gives it.
inline bool clickExpandButton(framework::QtTree& view, QTreeWidgetItem* item) {
  view.scrollToItem(item);
  const QRect button = view.expandButtonRect(item);
  if (button.isEmpty()) {
    return false;
  }
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, button.center());
  return true;
}

// A point on the item's text, inside the view even when the text is wider than the view.
inline QPoint textPoint(framework::QtTree& view, QTreeWidgetItem* item) {
  view.scrollToItem(item);
  const QRect row = view.visualItemRect(item);
  return {row.left() + std::min(24, row.width() / 2), row.center().y()};
}

inline void clickItem(framework::QtTree& view, QTreeWidgetItem* item) {
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, textPoint(view, item));
}

} // namespace texkit2::testing
