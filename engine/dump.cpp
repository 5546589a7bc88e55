#include "engine/dump.h"

#include <sstream>

namespace kv::engine {

std::string DumpMap(const TSheetsList &map, const TDetalsList &parts)
{
    std::ostringstream o;
    o << "map \"" << map.Name << "\" " << map.SizeX << "x" << map.SizeY << (map.IsScrap ? " offcut" : " standard")
      << " quantity " << map.Quantity << " variant " << map.VariantNo << "\n";
    for (const TDetalHandle &h : map.Detals) {
        const TDetal *d = parts.Items(h.DetalIndex);
        o << "  part " << h.DetalIndex << " " << (d ? d->Name : std::string("?")) << " at " << h.X << "," << h.Y
          << (h.Rotated ? " turned" : "") << " sheet " << h.SheetIndex << "\n";
    }
    for (const TSheet &s : map.Sheets)
        o << "  free " << s.X << "," << s.Y << " " << s.SizeX << "x" << s.SizeY << " sheet " << s.SheetIndex
          << (s.Name.empty() ? "" : " \"" + s.Name + "\"") << "\n";
    for (const TMillLine &m : map.Mills)
        o << "  cut " << (m.Horizontal ? "H " : "V ") << m.X << "," << m.Y << " length " << m.Length << " sheet "
          << m.SheetIndex << "\n";
    return o.str();
}

} // namespace kv::engine
