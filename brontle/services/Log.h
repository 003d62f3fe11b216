#pragma once
// The host's log: diagnostic lines the user does not see, appended to a text file.
//
// One line per call: the local time in ISO 8601 with milliseconds and the offset from UTC
// ("2024-05-01T14:03:07.250+02:00"), one space, then the text. Line breaks inside the text are
// written as the two characters "\n" so that every call stays one line. The file is, first
// found: the one given to the log, the environment variable BRONTLE_LOG_FILE (tests), else
// "Brontle/brontle.log" in the user's data folder (~/.local/share/Brontle/brontle.log).
// Writing never fails the caller: a line that cannot be appended goes to standard error.

#include <mutex>
#include <string>

namespace brontle {

class Log {
  public:
    // `file` empty: the environment variable, else the user's data folder, looked up at every
    // line, so that a test can point the process log elsewhere at any time.
    explicit Log(std::string file = {});

    // Appends one line; never throws.
    void write(const std::string& text) noexcept;
    // The file the next line goes to.
    std::string file() const;

  private:
    std::mutex mutex_;
    std::string fixedFile_;
};

// The time stamp that starts a log line, for the current local time.
std::string logTimeStamp();

// The process's log, used by the host and every plug-in.
Log& hostLog();

} // namespace brontle
