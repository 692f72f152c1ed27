// The lorvane program.
#include "UStartup.h"

int main(int argc, char** argv) { return RunLorvane(argc, argv); }
