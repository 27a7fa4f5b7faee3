#include "framework/LongOperation.h"

#include "framework/Toolkit.h"

namespace texkit2::framework {

WaitCursorCapture::WaitCursorCapture(CDialog& owner)
    : m_peer(toolkit().captureWithWaitCursor(owner)) {}

WaitCursorCapture::~WaitCursorCapture() = default;

void runLongOperation(const std::function<void()>& work) {
  toolkit().runLongOperation(work);
}

void callOnGuiThread(std::function<void()> fn, bool wait) {
  toolkit().callOnGuiThread(std::move(fn), wait);
}

} // namespace texkit2::framework
