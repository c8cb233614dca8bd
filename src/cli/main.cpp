#include <cstdio>

int main() {
    std::puts("lanternway-get 1.3");
    return 0;
}
