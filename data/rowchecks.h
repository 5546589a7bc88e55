#pragma once
// Sizes and quantities the user types into a row of parts, standard sheets
// or off-cuts: a whole number above 0. A row that breaks this is refused
// when it is posted, with a message that names the column by its field's
// display label, and stays in the grid to be put right.
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <vector>

namespace kv {

class DataSet;
class Field;

namespace rowtext {
inline constexpr const char *Empty = "Необходимо указать значение поля \"%1\".";
inline constexpr const char *NotPositive = "Значение поля \"%1\" должно быть больше 0.";
inline constexpr const char *Negative = "Значение поля \"%1\" не может быть меньше 0.";
} // namespace rowtext

// One checked column; `message` (optional) replaces the texts above.
// `zeroAllowed`: 0 is a value (a quantity 0 leaves a part out of a run).
struct CheckedField
{
    QString name;
    QString message;
    bool zeroAllowed = false;
};

struct RowProblem
{
    Field *field = nullptr;
    QString message;
    bool empty = false;   // nothing typed yet
    explicit operator bool() const { return field != nullptr; }
};

// The problem of one value as a size or quantity; none for a sound one.
RowProblem CheckPositive(Field &f, const QString &message = QString(), bool zeroAllowed = false);

// Installed on a data set (which outlives it): the post of a new row checks
// every column, the post of an edited row the columns whose value changed,
// so that rows the program wrote (a quantity 0 of parts laid out in full)
// can still be edited. BeforePost raises the first problem's message.
class PositiveFieldsCheck
{
public:
    PositiveFieldsCheck(DataSet &ds, std::vector<CheckedField> fields);
    PositiveFieldsCheck(const PositiveFieldsCheck &) = delete;
    PositiveFieldsCheck &operator=(const PositiveFieldsCheck &) = delete;

    // The first problem of the row being edited or inserted, in column
    // order; with `emptyCounts` false a column left empty passes (a row
    // still being typed); with `only` that column alone is looked at.
    RowProblem Problem(bool emptyCounts = true, const Field *only = nullptr) const;

    // The program's own rows (imports, copies, left-over parts) are posted
    // unchecked while one of these lives.
    class Suspend
    {
    public:
        explicit Suspend(PositiveFieldsCheck &c) : m_c(c) { ++m_c.m_suspended; }
        ~Suspend() { --m_c.m_suspended; }
        Suspend(const Suspend &) = delete;
        Suspend &operator=(const Suspend &) = delete;

    private:
        PositiveFieldsCheck &m_c;
    };

private:
    void remember();
    void beforePost();

    DataSet &m_ds;
    std::vector<CheckedField> m_fields;
    QVariantList m_stored;   // the edited row's values when the edit began
    int m_suspended = 0;
};

} // namespace kv
