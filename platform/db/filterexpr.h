#pragma once
// Filter texts of data sets: "Many>0", "Code=5 and Many>0", "Material=7",
// "[Length]=10 and [Width]=20 and [Code]=3", "(Date>=01.03.2024 and
// Date<=31.03.2024)", "Code = null", "Name='AB*'" (trailing * matches a
// prefix). Comparisons, and/or/not, parentheses and + - * / on operands.
#include "platform/db/dataset.h"

#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

namespace kv {

class FilterExpr
{
public:
    // Parses the text; raises kv::Error on a malformed text.
    static std::shared_ptr<FilterExpr> parse(const QString &text);
    ~FilterExpr();

    // Resolves field names: resolve(name) gives the slot of the field in the
    // value list handed to matches() and its type, or -1 for an unknown name
    // (then bind raises "Поле '%s' не найдено").
    void bind(const std::function<int(const QString &name, FieldType &type)> &resolve);
    bool matches(const QVariantList &values, bool caseInsensitive) const;

    struct Node;

private:
    FilterExpr() = default;
    std::unique_ptr<Node> m_root;
};

} // namespace kv
