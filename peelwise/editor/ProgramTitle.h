#pragma once
// The program title of the plug-in's own message boxes. A box shown without a title of its own
// carries the running program's title (brontle/services/Platform.h: the application's display
// name). Inside the host that would be the host's name, but the plug-in's untitled boxes are
// the plug-in's words, so while one of them is up the program title is the plug-in's: "Peelwise".

#include <QString>

namespace peelwise {

inline constexpr const char* kProgramTitle = "Peelwise";

// Makes kProgramTitle the application's display name for its lifetime and restores the
// previous one afterwards. Needs a QGuiApplication; without one it does nothing.
class ScopedProgramTitle {
  public:
    ScopedProgramTitle();
    ~ScopedProgramTitle();
    ScopedProgramTitle(const ScopedProgramTitle&) = delete;
    ScopedProgramTitle& operator=(const ScopedProgramTitle&) = delete;

  private:
    bool active_ = false;
    QString previous_;
};

} // namespace peelwise
