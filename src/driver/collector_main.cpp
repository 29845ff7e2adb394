// The collector program.
#include "driver/startup.h"

int main(int argc, char** argv) { return collector_main(argc, argv); }
