#pragma once
// Two host classes that plug-ins create and keep alive for the length of an editing run without
// calling anything on them (they hold host-side bookkeeping). They count live instances so that
// tests can see who holds them.

#include <atomic>
#include <memory>

namespace brontle {

class AuxiliaryObjectA {
  public:
    AuxiliaryObjectA() { ++live_; }
    AuxiliaryObjectA(const AuxiliaryObjectA&) = delete;
    AuxiliaryObjectA& operator=(const AuxiliaryObjectA&) = delete;
    ~AuxiliaryObjectA() { --live_; }
    static int liveCount() { return live_; }

  private:
    static inline std::atomic<int> live_{0};
};

class AuxiliaryObjectB {
  public:
    AuxiliaryObjectB() { ++live_; }
    AuxiliaryObjectB(const AuxiliaryObjectB&) = delete;
    AuxiliaryObjectB& operator=(const AuxiliaryObjectB&) = delete;
    ~AuxiliaryObjectB() { --live_; }
    static int liveCount() { return live_; }

  private:
    static inline std::atomic<int> live_{0};
};

} // namespace brontle
