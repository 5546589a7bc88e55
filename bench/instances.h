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
// A line "instance NAME" starts another instance of our own format in the
// same file; without one the file holds one, named after the file.
std::vector<Instance> ReadInstances(const std::string &path);
// Our own format, as ReadInstances reads it back.
std::string WriteInstances(const std::vector<Instance> &list);

// Generated jobs, the same on every run of the same arguments.
// A full warehouse: `copies` parts of `kinds` kinds (sizes and rotate modes as
// a workshop's cabinet parts) over `offcuts` off-cut copies, `perSize` of
// each size, on 2800 x 2070 with kerf 4 and trims 10.
Instance GenerateWarehouse(int copies, int kinds, int offcuts, int perSize, uint32_t seed);
// `count` small and medium jobs: a few to a few hundred copies, sheets,
// kerfs and trims of every kind, off-cuts in half of them.
std::vector<Instance> GenerateMixed(int count, uint32_t seed);
// One line "name;m;W;H;w,h[,count];..."
Instance ParseOneLine(const std::string &line);

} // namespace kvbench
