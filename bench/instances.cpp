#include "bench/instances.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kvbench {

namespace {

std::vector<std::string> Split(const std::string &s, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

std::string Trim(const std::string &s)
{
    const auto a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return {};
    const auto b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

int32_t Int(const std::string &s, const std::string &what)
{
    const std::string t = Trim(s);
    size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(t, &used);
    } catch (...) {
        used = 0;
    }
    if (t.empty() || used != t.size() || v < INT32_MIN || v > INT32_MAX)
        throw std::runtime_error("not a number: \"" + t + "\" in " + what);
    return int32_t(v);
}

} // namespace

Instance ParseOneLine(const std::string &line)
{
    const auto f = Split(Trim(line), ';');
    if (f.size() < 4)
        throw std::runtime_error("too few fields: " + line);
    Instance in;
    in.name = Trim(f[0]);
    const int32_t m = Int(f[1], line);
    in.sheetLength = Int(f[2], line);
    in.sheetWidth = Int(f[3], line);
    int n = 0;
    for (size_t i = 4; i < f.size(); ++i) {
        if (Trim(f[i]).empty())
            continue;
        const auto v = Split(f[i], ',');
        if (v.size() < 2 || v.size() > 3)
            throw std::runtime_error("bad item \"" + f[i] + "\" in " + in.name);
        PartSpec p;
        p.name = "I";
        p.name += std::to_string(++n);
        p.length = Int(v[0], in.name);
        p.width = Int(v[1], in.name);
        p.count = v.size() == 3 ? Int(v[2], in.name) : 1;
        in.parts.push_back(p);
    }
    if (int32_t(in.parts.size()) != m)
        throw std::runtime_error("item count differs from " + std::to_string(m) + " in " + in.name);
    return in;
}

std::vector<Instance> ReadInstances(const std::string &path)
{
    std::ifstream f(path);
    if (!f)
        throw std::runtime_error("cannot open " + path);
    std::vector<Instance> out;
    Instance own;
    own.name = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    bool ownUsed = false;
    bool named = false; // an "instance" line has started the one being read
    std::string line;
    int no = 0;
    while (std::getline(f, line)) {
        ++no;
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        if (t.find(';') != std::string::npos) {
            out.push_back(ParseOneLine(t));
            continue;
        }
        std::istringstream ss(t);
        std::string word;
        ss >> word;
        std::vector<std::string> a;
        std::string x;
        while (ss >> x)
            a.push_back(x);
        const std::string where = path + ":" + std::to_string(no);
        auto need = [&](size_t n) {
            if (a.size() != n)
                throw std::runtime_error(where + ": \"" + word + "\" takes " + std::to_string(n) + " values");
        };
        if (word == "instance") {
            if (a.size() != 1)
                throw std::runtime_error(where + ": \"instance\" takes a name");
            if (ownUsed || named)
                out.push_back(own);
            own = Instance();
            own.name = a[0];
            ownUsed = false;
            named = true;
            continue;
        }
        ownUsed = true;
        if (word == "sheet") {
            need(2);
            own.sheetLength = Int(a[0], where);
            own.sheetWidth = Int(a[1], where);
        } else if (word == "kerf") {
            need(1);
            own.kerf = Int(a[0], where);
            own.hasKerf = true;
        } else if (word == "trims") {
            need(4);
            for (int i = 0; i < 4; ++i)
                own.trims[i] = Int(a[size_t(i)], where);
            own.hasTrims = true;
        } else if (word == "part") {
            need(5);
            own.parts.push_back({a[0], Int(a[1], where), Int(a[2], where), Int(a[3], where), Int(a[4], where)});
        } else if (word == "offcut") {
            need(4);
            own.offcuts.push_back({a[0], Int(a[1], where), Int(a[2], where), Int(a[3], where)});
        } else {
            throw std::runtime_error(where + ": unknown word \"" + word + "\"");
        }
    }
    if (ownUsed || named)
        out.push_back(own);
    return out;
}

std::string WriteInstances(const std::vector<Instance> &list)
{
    std::string s;
    auto line = [&s](const std::string &word, std::initializer_list<std::string> values) {
        s += word;
        for (const std::string &v : values)
            s += ' ' + v;
        s += '\n';
    };
    auto n = [](int32_t v) { return std::to_string(v); };
    for (const Instance &in : list) {
        line("instance", {in.name});
        line("sheet", {n(in.sheetLength), n(in.sheetWidth)});
        if (in.hasKerf)
            line("kerf", {n(in.kerf)});
        if (in.hasTrims)
            line("trims", {n(in.trims[0]), n(in.trims[1]), n(in.trims[2]), n(in.trims[3])});
        for (const PartSpec &p : in.parts)
            line("part", {p.name, n(p.length), n(p.width), n(p.count), n(p.rotate)});
        for (const OffcutSpec &o : in.offcuts)
            line("offcut", {o.name, n(o.length), n(o.width), n(o.count)});
    }
    return s;
}

namespace {

// The engine's maps must not depend on the library's distributions: the
// generator's own ranges over the raw 32-bit stream.
class Dice
{
public:
    explicit Dice(uint32_t seed) : m_rng(seed) {}
    int32_t In(int32_t lo, int32_t hi) { return lo + int32_t(m_rng() % uint32_t(hi - lo + 1)); }
    int32_t Step(int32_t lo, int32_t hi, int32_t step) { return In(lo / step, hi / step) * step; }
    bool OneIn(int32_t n) { return In(1, n) == 1; }

private:
    std::mt19937 m_rng;
};

std::string Code(char letter, int i, int digits)
{
    std::string d = std::to_string(i);
    return letter + std::string(size_t(std::max(0, digits - int(d.size()))), '0') + d;
}

int32_t RotateMode(Dice &dice)
{
    // As a cabinet order has them: most may turn, grained fronts never, a
    // quarter one way for all copies.
    const int32_t r = dice.In(1, 20);
    return r <= 11 ? 0 : r <= 15 ? 1 : 2;
}

} // namespace

Instance GenerateWarehouse(int copies, int kinds, int offcuts, int perSize, uint32_t seed)
{
    Dice dice(seed);
    Instance in;
    in.name = "warehouse-" + std::to_string(copies);
    in.sheetLength = 2800;
    in.sheetWidth = 2070;
    in.hasKerf = in.hasTrims = true;
    in.kerf = 4;
    for (int32_t &t : in.trims)
        t = 10;
    kinds = std::max(1, kinds);
    for (int k = 0; k < kinds; ++k) {
        // The copies shared out evenly, the first kinds taking what is over.
        const int32_t count = copies / kinds + (k < copies % kinds ? 1 : 0);
        in.parts.push_back({Code('P', k + 1, 3), dice.Step(160, 1390, 10), dice.Step(80, 790, 10), count,
                            RotateMode(dice)});
    }
    perSize = std::max(1, perSize);
    const int rows = (offcuts + perSize - 1) / perSize;
    for (int r = 0; r < rows; ++r)
        in.offcuts.push_back({Code('W', r + 1, 3), dice.Step(400, 1700, 10), dice.Step(200, 1190, 10),
                              std::min(perSize, offcuts - perSize * r)});
    return in;
}

std::vector<Instance> GenerateMixed(int count, uint32_t seed)
{
    Dice dice(seed);
    static const int32_t sheets[][2] = {{2800, 2070}, {2750, 1830}, {2440, 1220}, {1830, 1220}, {1200, 800}};
    std::vector<Instance> out;
    for (int i = 0; i < count; ++i) {
        Instance in;
        in.name = Code('M', i + 1, 3);
        const auto &sheet = sheets[dice.In(0, 4)];
        in.sheetLength = sheet[0];
        in.sheetWidth = sheet[1];
        in.hasKerf = in.hasTrims = true;
        in.kerf = dice.In(0, 5);
        for (int32_t &t : in.trims)
            t = dice.In(0, 15);
        const int32_t u = in.sheetLength - in.trims[0] - in.trims[1];
        const int32_t v = in.sheetWidth - in.trims[2] - in.trims[3];
        // Small jobs of a few kinds up to medium ones of a few hundred copies.
        const bool medium = dice.OneIn(3);
        const int kinds = medium ? dice.In(10, 40) : dice.In(1, 12);
        const int maxCount = medium ? 20 : 8;
        for (int k = 0; k < kinds; ++k) {
            const int32_t step = dice.OneIn(2) ? 10 : 1;
            in.parts.push_back({Code('D', k + 1, 2), dice.Step(std::max(step, 40), u / 2, step),
                                dice.Step(std::max(step, 30), v / 2, step), dice.In(1, maxCount),
                                RotateMode(dice)});
        }
        if (dice.OneIn(2)) {
            const int rows = dice.In(1, 10);
            for (int r = 0; r < rows; ++r)
                in.offcuts.push_back({Code('S', r + 1, 2), dice.Step(200, u * 2 / 3, 10),
                                      dice.Step(100, v * 2 / 3, 10), dice.In(1, 5)});
        }
        out.push_back(std::move(in));
    }
    return out;
}

} // namespace kvbench
