// Ruzovizu: runs one analysis per call. Everything but the process boundary
// lives in the engine library.
#include <iostream>

#include "analyses.h"
#include "core/console.h"
#include "core/entry.h"
#include "core/platform.h"

int main(int argc, char** argv) {
    ruz::Console console(std::cout, ruz::platform::waitKey);
    return ruz::runEngine(argc, argv, console, ruz::analysisTable());
}
