#include <iostream>
#include <string>
#include <vector>

#include "datafile/data_file_tool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return kiv::datafile::runDataFileTool(arguments, std::cerr);
}
