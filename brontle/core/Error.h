#pragma once
// The one error type of the host and its plug-ins: a number, a description and the name of the
// procedure or module that raised it. Numbers follow the error handler's table: overflow 6, out
// of memory 7, subscript out of range 9, division by zero 11, type mismatch 13, object not set
// 91, file dialog cancelled 32755; host failures are negative.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace brontle {

namespace ErrorNumber {
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t DivisionByZero = 11;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t ObjectNotSet = 91;
inline constexpr std::int32_t FileDialogCancelled = 32755;
// Host failures (negative numbers).
inline constexpr std::int32_t HostFailure = -1;        // a host operation could not complete
inline constexpr std::int32_t HostBadArgument = -2;    // an argument outside its documented range
inline constexpr std::int32_t HostBadMesh = -3;        // empty, degenerate or non-finite geometry
inline constexpr std::int32_t HostFileUnreadable = -4; // a file could not be opened or parsed
inline constexpr std::int32_t HostFileUnwritable = -5; // a file could not be written
inline constexpr std::int32_t HostAtlasFailed = -6;    // the atlas engine could not finish
inline constexpr std::int32_t HostCancelled = -7;      // the user cancelled a long host operation
inline constexpr std::int32_t HostInjectedFault = -99; // a fault injected by a test
} // namespace ErrorNumber

class Error : public std::runtime_error {
  public:
    Error(std::int32_t number, std::string description, std::string source = {})
        : std::runtime_error(description), number_(number), description_(std::move(description)),
          source_(std::move(source)) {}

    std::int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }

    // The same error raised again by a caller, which names itself as the source.
    Error withSource(std::string source) const {
        return Error(number_, description_, std::move(source));
    }

  private:
    std::int32_t number_;
    std::string description_;
    std::string source_;
};

} // namespace brontle
