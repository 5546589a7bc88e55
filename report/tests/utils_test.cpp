#include <gtest/gtest.h>

#include <QMap>

#include "report/core/utils.h"
#include "platform/testsupport/scoped.h"

namespace {

class FakeSource : public TrpFieldSource
{
public:
    QMap<QString, TrpValue> fields;
    bool hasField(const QString &name) const override
    {
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) return true;
        return false;
    }
    TrpValue fieldValue(const QString &name) const override
    {
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.value();
        return TrpValue::null();
    }
};

class FakeHost : public TrpComponentHost
{
public:
    QMap<QString, TrpFieldSource *> sources;   // path joined by "/"
    TrpFieldSource *findDataSource(const QStringList &path) override { return sources.value(path.join('/')); }
};

} // namespace

TEST(EngineUtils, Texts)
{
    EXPECT_EQ(LoadEngineString(55206), "Error");
    EXPECT_EQ(LoadEngineString(55170), "0;1");
    EXPECT_EQ(LoadEngineString(55077 + 22), "None");
    EXPECT_EQ(LoadEngineString(55008), "");
    const kv::test::OnScopeExit reset([] { SetEngineLocalizeHandler(nullptr); });
    SetEngineLocalizeHandler([](int n, QString &t) { if (n != 55206) return false; t = "Ошибка"; return true; });
    EXPECT_EQ(LoadEngineString(55206), "Ошибка");
    EXPECT_EQ(LoadEngineString(55207), "Preview");
}

TEST(EngineUtils, SmallHelpers)
{
    EXPECT_EQ(UnquoteName("\"\""), "\"\"");
    EXPECT_EQ(UnquoteName("\"a\""), "a");
    EXPECT_EQ(UnquoteName("\"a"), "\"a");
    EXPECT_DOUBLE_EQ(StrToFloatAnySep(" 1,5 "), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloatAnySep("2.25"), 2.25);
    EXPECT_THROW(StrToFloatAnySep("abc"), EConvertError);
    EXPECT_EQ(SplitList("a;;b"), QStringList({"a", "", "b"}));
    EXPECT_EQ(SplitList(""), QStringList());
    int pos = 1;
    EXPECT_EQ(NextListItem("x;yz", pos), "x");
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(NextListItem("x;yz", pos), "yz");
}

TEST(EngineUtils, FieldReferences)
{
    FakeSource parts, other;
    parts.fields["Name"] = TrpValue("a");
    parts.fields["Many"] = TrpValue::null();
    parts.fields["a.b"] = TrpValue(1);
    FakeHost host;
    host.sources["Parts"] = &parts;
    host.sources["Form1/Parts"] = &parts;

    struct Case { const char *ref; TrpFieldSource *start; TrpFieldSource *source; const char *field; };
    const Case cases[] = {
        {"Name", &parts, &parts, "Name"},
        {"\"Name\"", &parts, &parts, "Name"},
        {"Parts.Name", &other, &parts, "Name"},
        {"Parts.Missing", nullptr, &parts, ""},
        {"Form1.Parts.Name", nullptr, &parts, "Name"},
        {"Form2.Parts.Name", &parts, nullptr, ""},
        {"Parts.\"a.b\"", nullptr, &parts, "a.b"},
        {"Name", nullptr, nullptr, ""},
    };
    for (const Case &c : cases) {
        TrpFieldSource *src = c.start;
        QString field;
        ResolveFieldReference(c.ref, &host, src, field);
        EXPECT_EQ(src, c.source) << c.ref;
        EXPECT_EQ(field, c.field) << c.ref;
    }
    EXPECT_TRUE(FieldIsNull("Parts.Many", nullptr, &host));
    EXPECT_FALSE(FieldIsNull("Parts.Name", nullptr, &host));
    EXPECT_TRUE(FieldIsNull("Nowhere.Name", nullptr, &host));
}
