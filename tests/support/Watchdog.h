#pragma once
// Ends the test program when the code under test hangs (a blocked open of a FIFO, an endless
// read of a device), so that a hang fails the test instead of stalling the suite. It bounds
// time without measuring it: nothing asserts a duration.

#include <signal.h>
#include <unistd.h>

namespace vextral::test {

class Watchdog {
  public:
    explicit Watchdog(unsigned seconds = 60) {
        ::signal(SIGALRM, &Watchdog::Bite);
        ::alarm(seconds);
    }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    static void Bite(int) {
        static const char kText[] = "watchdog: the test hung and was ended\n";
        static_cast<void>(::write(STDERR_FILENO, kText, sizeof kText - 1));
        ::_exit(3);
    }
};

}  // namespace vextral::test
