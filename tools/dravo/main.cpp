// dravo: the command-line companion of the viewer.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: dravo SUBCOMMAND [ARGS]\n\nsubcommands:\n  help    this text");
        return argc < 2 ? 2 : 0;
    }
    std::fprintf(stderr, "dravo: unknown subcommand '%s' (see 'dravo help')\n", argv[1]);
    return 2;
}
