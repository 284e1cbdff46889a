// Stands in for the browser in the input-hook tests: appends the address the
// shell was asked to open to the file named by SKIMROW_OPEN_LOG.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SKIMROW_OPEN_LOG", path, MAX_PATH)) return 1;
    std::FILE* f = std::fopen(path, "ab");
    if (!f) return 1;
    std::fprintf(f, "%s\n", argc > 1 ? argv[1] : "");
    std::fclose(f);
    return 0;
}
