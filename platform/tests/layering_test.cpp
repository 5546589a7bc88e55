// The layers of the tree, checked on every #include of every library and room.
//
// A unit is a library folder ("data") or a room of it ("data/materials",
// "report/core"); a library's own top-level files form the library's base unit.
// Libraries, bottom up:
//   engine, platform            nothing (engine: standard C++ only, no Qt)
//   memdata, controls, widgets  platform
//   toolbars                    platform, widgets (its buttons are widgets' shape buttons)
//   report                      platform
//   data                        platform, engine, memdata, report below its windows; Qt Core/Gui only
//   print                       data and everything data reaches; only print/flows reaches
//                               controls, widgets, toolbars and the report windows;
//                               print/stats and print/objects include no widget headers
//   resources                   print and everything below it
//   app                         everything below it
//   bench                       everything, app included (the start-up is timed over
//                               the whole program); nothing includes bench but fuzz
//   fuzz                        the readers it feeds (data and below) and the bench's
//                               instance reader
// Rooms: report  core <- script, output <- model <- building <- windows
//        print   stats <- objects <- flows
//        app     common <- materials <- partbase, stock, models <- cutting <- results <- shell
//                (the top-level files of app are the shell's; nothing includes them but the shell)
//        others  any room of the library, as long as the rooms include each other one way.
// Tests (<lib>/tests/) may include any unit of their own library and whatever the
// library reaches. What suites share lives in <lib>/testsupport/: tests, other test
// support, bench and fuzz include it along the same edges; production code never.
// Every include names its path from the source root ("data/maps/mapdoc.h"), so
// that it can be checked; only moc output ("x.moc") stands alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Set = std::set<std::string>;

const std::vector<std::string> &libraries()
{
    static const std::vector<std::string> libs{"engine", "platform", "memdata", "controls", "widgets", "toolbars",
                                               "report", "data", "print", "resources", "app", "bench",
                                               "fuzz"};
    return libs;
}

// Library -> the libraries it may include (its own always).
const std::map<std::string, Set> &libraryEdges()
{
    static const std::map<std::string, Set> edges{
        {"engine", {}},
        {"platform", {}},
        {"memdata", {"platform"}},
        {"controls", {"platform"}},
        {"widgets", {"platform"}},
        {"toolbars", {"platform", "widgets"}},
        {"report", {"platform"}},
        {"data", {"platform", "engine", "memdata", "report"}},
        {"print", {"platform", "engine", "memdata", "report", "data", "controls", "widgets", "toolbars"}},
        {"resources", {"platform", "engine", "memdata", "report", "data", "print"}},
        {"app", {"platform", "engine", "memdata", "controls", "widgets", "toolbars", "report", "data", "print",
                 "resources"}},
        {"bench", {"platform", "engine", "memdata", "controls", "widgets", "toolbars", "report", "data", "print",
                   "resources", "app"}},
        {"fuzz", {"platform", "engine", "memdata", "report", "data", "bench"}},
    };
    return edges;
}

// Rooms in a stated order: room -> the rooms of the same library it may include.
// "" is the library's own top-level files.
const std::map<std::string, std::map<std::string, Set>> &roomOrders()
{
    static const std::map<std::string, std::map<std::string, Set>> orders{
        {"report",
         {{"core", {}},
          {"script", {"core"}},
          {"output", {"core"}},
          {"model", {"core", "script", "output"}},
          {"building", {"core", "script", "output", "model"}},
          {"windows", {"core", "script", "output", "model", "building"}}}},
        {"print", {{"", {}}, {"stats", {""}}, {"objects", {"", "stats"}}, {"flows", {"", "stats", "objects"}}}},
        {"app",
         {{"common", {}},
          {"materials", {"common"}},
          {"partbase", {"common", "materials"}},
          {"stock", {"common", "materials"}},
          {"models", {"common", "materials"}},
          {"cutting", {"common", "materials", "partbase", "stock", "models"}},
          {"results", {"common", "materials", "partbase", "stock", "models", "cutting"}},
          {"shell", {"", "common", "materials", "partbase", "stock", "models", "cutting", "results"}},
          {"", {"", "shell", "common", "materials", "partbase", "stock", "models", "cutting", "results"}}}},
    };
    return orders;
}

struct Unit
{
    std::string lib;
    std::string room;     // "" for the library's own files
    bool test = false;    // under <lib>/tests/
};

// The unit of a path relative to the source root ("report/core/value.h").
// False for paths outside the libraries.
bool unitOf(const std::string &path, Unit &unit)
{
    const auto slash = path.find('/');
    if (slash == std::string::npos) return false;
    unit = Unit{path.substr(0, slash), "", false};
    const std::string rest = path.substr(slash + 1);
    const auto next = rest.find('/');
    if (next != std::string::npos) {
        const std::string room = rest.substr(0, next);
        if (room == "tests") unit.test = true;
        else if (room != "tools") unit.room = room;
    }
    return true;
}

// Units whose code includes no widget: no QtWidgets header and none of the
// libraries or rooms that are widgets.
bool noWidgets(const Unit &u)
{
    if (u.test) return false;
    if (u.lib == "data" || u.lib == "engine") return true;
    if (u.lib == "print") return u.room == "stats" || u.room == "objects";
    if (u.lib == "report") return u.room != "windows";
    return false;
}

bool isWidgetUnit(const Unit &u)
{
    return u.lib == "controls" || u.lib == "widgets" || u.lib == "toolbars" ||
           (u.lib == "report" && u.room == "windows") || (u.lib == "print" && u.room == "flows") ||
           u.lib == "app";
}

bool isMocOutput(const std::string &target)
{
    return target.size() > 4 && target.compare(target.size() - 4, 4, ".moc") == 0;
}

// Why an include of `to` from `from` is not allowed; "" when it is.
std::string edgeError(const Unit &from, const std::string &toPath)
{
    if (toPath.find('/') == std::string::npos)
        return "names no folder: include it by its path from the source root";
    Unit to;
    if (!unitOf(toPath, to)) return "includes a file outside the libraries";
    if (to.test && !(from.test && from.lib == to.lib)) return "includes another library's tests";
    if (to.room == "testsupport" && !from.test && from.room != "testsupport" && from.lib != "bench" &&
        from.lib != "fuzz")
        return "production code includes the test support";
    const auto le = libraryEdges().find(from.lib);
    if (le == libraryEdges().end()) return "no layer is stated for the library " + from.lib;
    if (to.lib != from.lib) {
        if (!le->second.count(to.lib)) return "library " + from.lib + " must not include " + to.lib;
        if (noWidgets(from) && isWidgetUnit(to)) return "code without widgets includes widgets";
        if (from.lib == "print" && from.room != "flows" && !from.test && isWidgetUnit(to))
            return "only print/flows reaches the widget libraries";
        if (from.lib == "data" && to.lib == "report" && to.room == "windows")
            return "data must not include the report windows";
        return "";
    }
    if (from.test || from.room == to.room) return "";
    const auto ro = roomOrders().find(from.lib);
    if (ro == roomOrders().end()) return "";   // rooms of libraries without a stated order: checked for cycles
    const auto fr = ro->second.find(from.room);
    if (fr == ro->second.end()) return "no place is stated for the room " + from.lib + "/" + from.room;
    if (!fr->second.count(to.room))
        return "room " + from.lib + "/" + (from.room.empty() ? "(top)" : from.room) + " must not include " +
               to.lib + "/" + (to.room.empty() ? "(top)" : to.room);
    return "";
}

struct Include
{
    std::string file;      // relative to the source root
    int line = 0;
    std::string target;    // as written
    bool angle = false;
};

std::vector<Include> scanTree(const fs::path &root)
{
    std::vector<Include> out;
    static const std::regex re(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    for (const std::string &lib : libraries()) {
        const fs::path dir = root / lib;
        if (!fs::is_directory(dir)) continue;
        for (const auto &entry : fs::recursive_directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            const std::string ext = entry.path().extension().string();
            if (ext != ".h" && ext != ".cpp") continue;
            const std::string rel = fs::relative(entry.path(), root).generic_string();
            if (rel.find("/tests/data/") != std::string::npos) continue;
            std::ifstream in(entry.path());
            std::string text;
            int number = 0;
            while (std::getline(in, text)) {
                ++number;
                std::smatch m;
                if (std::regex_search(text, m, re)) out.push_back({rel, number, m[2].str(), m[1].str() == "<"});
            }
        }
    }
    return out;
}

Set qtHeadersOf(const std::string &dir)
{
    Set names;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec)) names.insert(entry.path().filename().string());
    return names;
}

// Every violation of the tree, one line each.
std::vector<std::string> violations(const fs::path &root)
{
    std::vector<std::string> out;
    const Set widgetHeaders = qtHeadersOf(KV_QT_WIDGETS_INCLUDE_DIR);
    if (!widgetHeaders.count("QWidget")) out.push_back(std::string("no Qt Widgets headers in ") + KV_QT_WIDGETS_INCLUDE_DIR);
    std::map<std::string, Set> roomEdges;   // "lib/room" -> rooms included, for libraries without an order
    for (const Include &inc : scanTree(root)) {
        Unit from;
        unitOf(inc.file, from);
        const std::string where = inc.file + ":" + std::to_string(inc.line) + ": " + inc.target + ": ";
        if (inc.angle) {
            const bool widget = inc.target.rfind("QtWidgets/", 0) == 0 || inc.target == "QtWidgets" ||
                                widgetHeaders.count(inc.target) > 0;
            if (from.lib == "engine" && !from.test && inc.target.size() > 1 && inc.target[0] == 'Q')
                out.push_back(where + "the engine is standard C++ only");
            else if (noWidgets(from) && widget)
                out.push_back(where + "code without widgets includes a widget header");
            continue;
        }
        if (isMocOutput(inc.target)) continue;
        std::string error = edgeError(from, inc.target);
        if (error.empty() && !fs::is_regular_file(root / inc.target)) error = "no such file from the source root";
        if (!error.empty()) {
            out.push_back(where + error);
            continue;
        }
        Unit to;
        unitOf(inc.target, to);
        if (!from.test && to.lib == from.lib && to.room != from.room && !roomOrders().count(from.lib))
            roomEdges[from.lib + "/" + from.room].insert(to.lib + "/" + to.room);
    }
    // Rooms without a stated order still include each other one way.
    for (const auto &[a, targets] : roomEdges)
        for (const std::string &b : targets) {
            const auto back = roomEdges.find(b);
            if (back != roomEdges.end() && back->second.count(a) && a < b)
                out.push_back(a + " and " + b + " include each other");
        }
    return out;
}

TEST(Layering, Rules)
{
    struct Case
    {
        const char *from, *to;
        bool allowed;
    };
    const Case cases[] = {
        {"data/settings.cpp", "platform/ini.h", true},
        {"data/settings.cpp", "controls/winlayout.h", false},
        {"data/materials/materials.cpp", "widgets/outlookbar.h", false},
        {"data/materials/materials.cpp", "report/building/report.h", true},
        {"data/materials/materials.cpp", "report/windows/preview.h", false},
        {"data/stock/stock.cpp", "data/settings.h", true},
        {"platform/ui.cpp", "controls/vclutils.h", false},
        {"engine/layout.cpp", "platform/text.h", false},
        {"toolbars/dock.cpp", "widgets/shapebtn.h", true},
        {"widgets/outlookbar.cpp", "toolbars/dock.h", false},
        {"report/core/value.cpp", "report/script/scriptengine.h", false},
        {"report/output/textexports.cpp", "report/windows/exportdialogs.h", false},
        {"report/model/page.h", "report/output/printer.h", true},
        {"report/windows/preview.cpp", "report/building/report.h", true},
        {"print/stats/sums.cpp", "data/maps/mapdoc.h", true},
        {"print/objects/mapview.cpp", "controls/dbgrid.h", false},
        {"print/objects/mapview.cpp", "print/flows/labels.h", false},
        {"print/flows/labels.cpp", "widgets/outlookbar.h", true},
        {"app/materials/window.cpp", "app/common/appcontext.h", true},
        {"app/common/appcontext.cpp", "app/materials/window.h", false},
        {"app/stock/window.cpp", "app/partbase/doc.h", false},
        {"app/results/window.cpp", "app/shell/mainform.h", false},
        {"app/results/window.cpp", "app/mainform.h", false},
        {"app/shell/actions.cpp", "app/results/window.h", true},
        {"app/startup.cpp", "controls/instance.h", true},
        {"controls/dbgrid.cpp", "platform/testsupport/fakedataset.h", false},
        {"controls/tests/dbgrid_test.cpp", "platform/testsupport/fakedataset.h", true},
        {"data/tests/settings_test.cpp", "controls/winlayout.h", false},
        {"app/tests/mainform_test.cpp", "app/shell/mainform.h", true},
        {"report/core/value.cpp", "print/stats/sums.h", false},
        // Includes that name no folder escape every other rule.
        {"print/tests/stats_test.cpp", "mixedjob.h", false},
        {"engine/tests/golden_test.cpp", "engine_test_util.h", false},
        {"data/settings.cpp", "settings.h", false},
        {"engine/tests/golden_test.cpp", "engine/tests/engine_test_util.h", true},
        // What suites share: along the library edges, never from production code.
        {"print/tests/stats_test.cpp", "data/tests/mapdoc_test.h", false},
        {"print/tests/stats_test.cpp", "data/testsupport/mixedjob.h", true},
        {"data/testsupport/mixedjob.h", "engine/testsupport/mixedjob.h", true},
        {"engine/tests/golden_test.cpp", "data/testsupport/mixedjob.h", false},
        {"data/maps/mapdoc.cpp", "data/testsupport/mixedjob.h", false},
        {"app/results/formsheets.cpp", "platform/testsupport/scoped.h", false},
        {"bench/mapprint_bench.cpp", "data/testsupport/mixedjob.h", true},
        // The fuzz harnesses: the readers they feed, never the windows.
        {"fuzz/maps_fuzz.cpp", "data/maps/mapfiles.h", true},
        {"fuzz/instances_fuzz.cpp", "bench/instances.h", true},
        {"fuzz/maps_fuzz.cpp", "app/results/formsheets.h", false},
        {"fuzz/maps_fuzz.cpp", "print/flows/mapprint.h", false},
        {"data/maps/mapfiles.cpp", "fuzz/fuzz_input.h", false},
    };
    for (const Case &c : cases) {
        Unit from;
        ASSERT_TRUE(unitOf(c.from, from));
        const std::string error = edgeError(from, c.to);
        EXPECT_EQ(error.empty(), c.allowed) << c.from << " -> " << c.to << ": " << error;
    }
}

TEST(Layering, EveryIncludeOfTheTreeFollowsTheLayers)
{
    const std::vector<std::string> found = violations(KV_SOURCE_DIR);
    std::string text;
    for (const std::string &v : found) text += v + "\n";
    EXPECT_TRUE(found.empty()) << text;
}

} // namespace
