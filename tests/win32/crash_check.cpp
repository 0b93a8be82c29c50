// Crashes on purpose: scripts/wine-run must report it as a failure.
int main()
{
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}
