#include "tools/qpk/qpk.h"

int main(int argc, char **argv) { return QpkMain(argc, argv); }
