#include "widgets/gwcolors.h"

#include "platform/colors.h"
#include "platform/ui.h"

namespace kv::gw {

bool isSystemColor(Color c) { return kv::IsSystemColor(std::uint32_t(c)); }

Color colorToRGB(Color c)
{
    if (c == clDefault)
        return 0;
    return Color(kv::ResolveColorBGR(std::uint32_t(c)).value_or(0));
}

QColor toQColor(Color c)
{
    const Color v = colorToRGB(c);
    return QColor(redOf(v), greenOf(v), blueOf(v));
}

Color fromQColor(const QColor &c) { return rgb(c.red(), c.green(), c.blue()); }

bool ChooseColor(Ui &ui, Color &color, QWidget *parent)
{
    QColor c = toQColor(color);
    if (!ui.chooseColor(c, parent) || !c.isValid()) return false;
    color = fromQColor(c);
    return true;
}

} // namespace kv::gw
