#pragma once
// A one-line progress bar on a terminal; silent when the stream is not a terminal.

#include <cstdio>
#include <string>

namespace peelwise::tools {

class ProgressBar {
  public:
    explicit ProgressBar(std::FILE* stream);
    ~ProgressBar();
    // `fraction` in [0, 1]; redraws only when the shown percentage changes.
    void update(double fraction, const std::string& label);
    void finish();

  private:
    std::FILE* stream_;
    bool terminal_;
    int shown_ = -1;
    bool open_ = false;
};

} // namespace peelwise::tools
