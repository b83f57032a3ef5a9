#include <cstdio>

int main()
{
    std::puts("fennick " FENNICK_VERSION);
    return 0;
}
