// The collector's entry: start-up from the command line and environment to the
// scheduling loop, and the ways the process ends.
#pragma once

// Runs the collector; returns only through exit().
int collector_main(int argc, char** argv);
