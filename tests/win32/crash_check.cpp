// Crashes on purpose: a test checks that scripts/wine-run reports a crash
// under Wine as a failure.
#include <cstdio>

int main()
{
    std::puts("crash check: writing through a null pointer");
    std::fflush(stdout);
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
