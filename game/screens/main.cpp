#include <cstdio>

int main() {
    std::puts("Mahjong: nothing to show yet.");
    return 0;
}
