#pragma once
// Cutting instances for the bench: our own text format and the one-line
// format of the public bin-packing sets.
#include <cstdint>
#include <string>
#include <vector>

namespace kvbench {

struct PartSpec
{
    std::string name;
    int32_t length = 0, width = 0, count = 1, rotate = 0;
};

struct OffcutSpec
{
    std::string name;
    int32_t length = 0, width = 0, count = 1;
};

struct Instance
{
    std::string name;
    int32_t sheetLength = 0, sheetWidth = 0;
    bool hasKerf = false, hasTrims = false;
    int32_t kerf = 0;
    int32_t trims[4] = {0, 0, 0, 0}; // left, right, top, bottom
    std::vector<PartSpec> parts;
    std::vector<OffcutSpec> offcuts;
};

// Reads every instance of a file; throws std::runtime_error with the line on bad input.
std::vector<Instance> ReadInstances(const std::string &path);
// One line "name;m;W;H;w,h[,count];..."
Instance ParseOneLine(const std::string &line);

} // namespace kvbench
