#include "bench/instances.h"

#include <fstream>
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
    if (ownUsed)
        out.push_back(own);
    return out;
}

} // namespace kvbench
