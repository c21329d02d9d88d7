// orvello-batch: measures a catalogue of drawings in one run.

#include "batch/cli.h"

int main(int argc, char** argv) { return orvello::batch::RunCommandLine(argc, argv); }
