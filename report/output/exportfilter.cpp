#include "report/output/exportfilter.h"

#include <algorithm>
#include <typeinfo>

#include "platform/error.h"

namespace {

QList<TrpExportFilterInfo> &registry()
{
    static QList<TrpExportFilterInfo> list;
    return list;
}

// Far beyond any paper of the table (the largest page is about 300 slots).
constexpr int kMaxSlots = 100000;

} // namespace

const QList<TrpExportFilterInfo> &rpExportFilters() { return registry(); }

TrpExportFilter::TrpExportFilter(QObject *parent) : QObject(parent) {}

int TrpExportFilter::ShowOptionsDialog(QWidget *parent)
{
    if (!ShowDialog || !OptionsDialog) return 1;
    return OptionsDialog(*this, parent);
}

TrpExportFilter::~TrpExportFilter()
{
    ClearLines();
    QList<TrpExportFilterInfo> &list = registry();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [this](const TrpExportFilterInfo &i) { return i.Filter == this; }),
               list.end());
}

void TrpExportFilter::Register(const QString &description, const QString &mask)
{
    m_description = description;
    m_mask = mask;
    for (TrpExportFilterInfo &i : registry()) {
        if (i.Filter == this) {
            i.Description = description;
            i.Mask = mask;
            return;
        }
        // one entry per kind of filter: a second instance of a class is not listed again
        if (typeid(*i.Filter) == typeid(*this)) return;
    }
    registry().append({this, description, mask});
}

void TrpExportFilter::ClearLines() { m_lines.clear(); }

void TrpExportFilter::ResetLines(int slotCount)
{
    m_lines.clear();
    m_lines.resize(size_t(std::max(slotCount, 0)));
}

void TrpExportFilter::InsertItem(int slot, TrpExportTextItem item)
{
    if (slot < 0 || slot > kMaxSlots)
        throw kv::Error(QStringLiteral("List index out of bounds (%1)").arg(slot));
    if (size_t(slot) >= m_lines.size()) m_lines.resize(size_t(slot) + 1);
    std::vector<TrpExportTextItem> &chain = m_lines[size_t(slot)];
    auto pos = std::find_if(chain.begin(), chain.end(),
                            [&item](const TrpExportTextItem &i) { return i.X >= item.X; });
    chain.insert(pos, std::move(item));
}

int TrpExportFilter::LastUsedSlot() const
{
    for (int i = int(m_lines.size()) - 1; i >= 0; --i)
        if (!m_lines[size_t(i)].empty()) return i;
    return -1;
}

void TrpExportFilter::Write(const QByteArray &bytes)
{
    if (!Stream) return;
    if (Stream->write(bytes) != bytes.size()) throw kv::Error(QStringLiteral("Stream write error"));
}
