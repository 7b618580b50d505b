// Faults the sanitizer build must turn into failing tests: a leak, an overflowing signed
// addition, a read past the end of a buffer. Each is chosen by the first argument; with
// "none" the program does nothing wrong and must pass.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Not inlined and fed from argv, so the compiler cannot see the fault coming and fold it away.
[[gnu::noinline]] int add(int a, int b) { return a + b; }

}  // namespace

int main(int argc, char** argv) {
    const std::string fault = argc > 1 ? argv[1] : "none";
    if (fault == "leak") {
        char* kept = new char[64];
        std::snprintf(kept, 64, "%s", argv[0]);
        kept = nullptr;  // the only pointer to it is gone
        return kept == nullptr ? 0 : 1;
    }
    if (fault == "overflow") return add(INT_MAX, argc) > 0 ? 0 : 1;
    if (fault == "past-the-end") {
        char* buffer = new char[8];
        std::memset(buffer, 'x', 8);
        const int read = buffer[8 + argc - 2];  // argc is 2: buffer[8]
        delete[] buffer;
        return read == 'x' ? 0 : 1;
    }
    return fault == "none" ? 0 : 2;
}
