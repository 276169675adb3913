// A program that only waits, for the tests to start, find and end.
#include <windows.h>

int main() {
    ::Sleep(120000);
    return 0;
}
