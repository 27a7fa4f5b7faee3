#include "cli/RemoveOnInterrupt.h"

#ifndef _WIN32
#include <array>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>
#endif

namespace texkit2::cli {

#ifndef _WIN32
namespace {

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

// All the handler touches: a path in a fixed buffer, and whether it is to be removed.
char g_path[PATH_MAX];
volatile std::sig_atomic_t g_armed = 0;
std::array<struct sigaction, kSignals.size()> g_previous{};

extern "C" void removeAndEnd(int number) {
  if (g_armed != 0) {
    ::unlink(g_path);
  }
  // Delivered again once the handler returns, now to end the process.
  ::signal(number, SIG_DFL);
  ::raise(number);
}

} // namespace

RemoveOnInterrupt::RemoveOnInterrupt(platform::FileSystem& inner) : m_inner(inner) {
  struct sigaction action {};
  action.sa_handler = removeAndEnd;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    ::sigaction(kSignals[i], nullptr, &g_previous[i]);
    // A signal the process was started to ignore (nohup, a background job) stays ignored.
    if (g_previous[i].sa_handler != SIG_IGN) {
      ::sigaction(kSignals[i], &action, nullptr);
    }
  }
}

RemoveOnInterrupt::~RemoveOnInterrupt() {
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    ::sigaction(kSignals[i], &g_previous[i], nullptr);
  }
  g_armed = 0;
}

std::unique_ptr<platform::File> RemoveOnInterrupt::createForWriting(const std::string& name) {
  auto file = m_inner.createForWriting(name);
  if (file) {
    // Absolute: the handler must not depend on the current directory.
    const std::string path = name.starts_with('/') ? name : m_inner.currentDirectory() + '/' + name;
    g_armed = 0;
    if (path.size() < sizeof g_path) {
      std::memcpy(g_path, path.c_str(), path.size() + 1);
      g_armed = 1;
      m_created = name;
    }
  }
  return file;
}

void RemoveOnInterrupt::forget(const std::string& name) {
  if (!m_created.empty() && name == m_created) {
    g_armed = 0;
    m_created.clear();
  }
}
#else
RemoveOnInterrupt::RemoveOnInterrupt(platform::FileSystem& inner) : m_inner(inner) {}
RemoveOnInterrupt::~RemoveOnInterrupt() = default;

std::unique_ptr<platform::File> RemoveOnInterrupt::createForWriting(const std::string& name) {
  return m_inner.createForWriting(name);
}

void RemoveOnInterrupt::forget(const std::string& /*name*/) {}
#endif

bool RemoveOnInterrupt::replaceFile(const std::string& from, const std::string& to) {
  const bool moved = m_inner.replaceFile(from, to);
  if (moved) {
    forget(from);
  }
  return moved;
}

bool RemoveOnInterrupt::removeFile(const std::string& name) {
  const bool removed = m_inner.removeFile(name);
  forget(name);
  return removed;
}

} // namespace texkit2::cli
