#include "report/script/scriptengine.h"

#include <cmath>

#include "platform/text.h"
#include "report/core/utils.h"

namespace {

// Without a window system the dialogs answer as if the user accepted.
class HeadlessDialogs : public TrpDialogs
{
public:
    QString InputBox(const QString &, const QString &, const QString &defaultText) override { return defaultText; }
    int MessageBox(const QString &, const QString &, int flags) override
    {
        const int buttons = flags & 0x0F;
        return (buttons == 3 || buttons == 4) ? 6 : 1;   // Yes for Yes/No questions, else OK
    }
};

HeadlessDialogs &headlessDialogs()
{
    static HeadlessDialogs d;
    return d;
}

double dateTimeOf(const TrpValue &v, const TrpFormatSettings &fs)
{
    if (v.type() == TrpValue::Text) return rpStrToDateTime(v.toText(), fs);
    return v.toFloat();
}

QDate dateOf(const TrpValue &v, const TrpFormatSettings &fs)
{
    const QDate d = rpValueToDate(dateTimeOf(v, fs));
    if (!d.isValid()) throw EConvertError(rpVariantConvertText(v.type(), QStringLiteral("Date")));
    return d;
}

std::unique_ptr<TrpEngine> &globalEngine()
{
    static std::unique_ptr<TrpEngine> e;
    return e;
}

} // namespace

// --- libraries ---

bool TrpFunctionLibrary::OnFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3,
                                    TrpValue &value)
{
    const int i = int(m_names.indexOf(name));
    if (i < 0) return false;
    DoFunction(i, p1, p2, p3, value);
    return true;
}

TrpValue TrpFunctionLibrary::calc(const QString &argument) { return m_engine.Parser().Calculate(argument); }

void TrpFunctionLibrary::addFunction(const QString &name, const QString &category, const QString &description)
{
    m_names << name;
    m_engine.InstalledFunctions().Add(this, name, category, description);
}

TrpStdFunctionLibrary::TrpStdFunctionLibrary(TrpEngine &engine) : TrpFunctionLibrary(engine)
{
    for (const char *name : {"AVG", "COUNT", "DAYOF", "FORMATDATETIME", "FORMATFLOAT", "FORMATTEXT", "INPUT",
                             "LENGTH", "LOWERCASE", "MAX", "MAXNUM", "MESSAGEBOX", "MIN", "MINNUM", "MONTHOF",
                             "NAMECASE", "POS", "SUM", "TRIM", "UPPERCASE", "YEAROF"})
        addFunction(QString::fromLatin1(name));
}

void TrpStdFunctionLibrary::DoFunction(int number, const QString &p1, const QString &p2, const QString &p3,
                                       TrpValue &value)
{
    const TrpFormatSettings &fs = m_engine.FormatSettings();
    auto aggregate = [&](TrpAggregateKind kind, const QString &expr, const QString &band, const QString &flags) {
        value = TrpValue();
        TrpReportHooks *report = m_engine.Report();
        TrpValue result;
        if (report && report->Aggregate(kind, expr, band, flags, result)) value = result;
    };
    switch (number) {
    case 0: aggregate(TrpAggregateKind::Avg, p1, p2, p3); break;
    case 1: aggregate(TrpAggregateKind::Count, QString(), p1, p2); break;
    case 2: value = TrpValue(qint64(dateOf(calc(p1), fs).day())); break;
    case 3: value = TrpValue(rpFormatDateTime(calc(p1).toText(), dateTimeOf(calc(p2), fs), fs)); break;
    case 4: value = TrpValue(rpFormatFloat(calc(p1).toText(), calc(p2).toFloat(), fs)); break;
    case 5: value = TrpValue(rpFormatMaskText(calc(p1).toText() + QStringLiteral(";0; "), calc(p2).toText(), fs)); break;
    case 6: value = TrpValue(m_engine.Dialogs()->InputBox(QString(), calc(p1).toText(), calc(p2).toText())); break;
    case 7: value = TrpValue(qint64(calc(p1).toText().size())); break;
    case 8: value = TrpValue(kv::lowerCase(calc(p1).toText())); break;
    case 9: aggregate(TrpAggregateKind::Max, p1, p2, p3); break;
    case 10: {
        const TrpValue a = calc(p1), b = calc(p2);
        value = rpCompare(a, b, TrpRelation::Gt).toInteger() ? a : b;
        break;
    }
    case 11:
        value = TrpValue(qint64(m_engine.Dialogs()->MessageBox(calc(p1).toText(), calc(p2).toText(), calc(p3).toInt32())));
        break;
    case 12: aggregate(TrpAggregateKind::Min, p1, p2, p3); break;
    case 13: {
        const TrpValue a = calc(p1), b = calc(p2);
        value = rpCompare(a, b, TrpRelation::Lt).toInteger() ? a : b;
        break;
    }
    case 14: value = TrpValue(qint64(dateOf(calc(p1), fs).month())); break;
    case 15: {
        const QString s = calc(p1).toText();
        value = TrpValue(s.isEmpty() ? s : kv::upperCase(s.left(1)) + kv::lowerCase(s.mid(1)));
        break;
    }
    case 16: {
        const QString sub = calc(p1).toText();
        value = TrpValue(qint64(sub.isEmpty() ? 0 : calc(p2).toText().indexOf(sub) + 1));
        break;
    }
    case 17: aggregate(TrpAggregateKind::Sum, p1, p2, p3); break;
    case 18: {
        const QString s = calc(p1).toText();
        qsizetype a = 0, b = s.size();
        while (a < b && s.at(a).unicode() <= ' ') ++a;
        while (b > a && s.at(b - 1).unicode() <= ' ') --b;
        value = TrpValue(s.mid(a, b - a));
        break;
    }
    case 19: value = TrpValue(kv::upperCase(calc(p1).toText())); break;
    case 20: value = TrpValue(qint64(dateOf(calc(p1), fs).year())); break;
    default: break;
    }
}

TDatabaseFunctionLibrary::TDatabaseFunctionLibrary(TrpEngine &engine) : TrpFunctionLibrary(engine)
{
    addFunction(QStringLiteral("FIELDISNULL"), QStringLiteral("Database"),
                QStringLiteral("FIELDISNULL(<FieldName>)/Returns 'true' if DB-field is null"));
}

void TDatabaseFunctionLibrary::DoFunction(int number, const QString &p1, const QString &, const QString &,
                                          TrpValue &value)
{
    if (number != 0) return;
    const QString reference = calc(p1).toText();
    TrpReportHooks *report = m_engine.Report();
    value = TrpValue(report ? report->FieldIsNull(reference) : true);
}

void TrpInstalledFunctions::Add(TrpFunctionLibrary *library, const QString &name, const QString &category,
                                const QString &description)
{
    if (IndexOf(name) >= 0) return;
    m_items << TrpFunctionDescription{library, name, category, description};
}

void TrpInstalledFunctions::RemoveLibrary(const std::type_info &libraryClass)
{
    m_items.removeIf([&](const TrpFunctionDescription &d) { return d.library && typeid(*d.library) == libraryClass; });
}

int TrpInstalledFunctions::IndexOf(const QString &name) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (kv::sameText(m_items[i].name, name)) return i;
    return -1;
}

const QStringList &TAggregateFunctionsSplitter::MatchNames()
{
    static const QStringList names = {"AVG", "COUNT", "MAX", "MIN", "SUM"};
    return names;
}

void TAggregateFunctionsSplitter::SplitMemo(const QStringList &lines)
{
    TrpFunctionSplitter splitter(MatchNames(), m_vars, m_target);
    for (const QString &line : lines) {
        qsizetype i = line.indexOf(QLatin1Char('['));
        while (i >= 0) {
            int end = 0;
            splitter.Split(ScanBracketedPart(line, int(i) + 1, end));
            i = line.indexOf(QLatin1Char('['), end);
        }
    }
}

bool TAggregateFunctionsSplitter::SplitScript(TrpInterpretator &interpreter, const QStringList &script)
{
    TrpCompiledScript compiled;
    QStringList errors;
    if (!interpreter.Compile(script, compiled, errors)) return false;
    interpreter.SplitExpressions(compiled, MatchNames(), m_vars, m_target);
    return true;
}

// --- the report's interpreter ---

TInterpretator::TInterpretator(TrpEngine &engine) : m_engine(engine)
{
    IsCancelled = [this] { return m_engine.Report() && m_engine.Report()->IsStopped(); };
}

void TInterpretator::GetValue(const QString &name, TrpValue &value) { m_engine.ResolveValue(name, value); }

void TInterpretator::SetValue(const QString &name, const TrpValue &value)
{
    TrpVariables &vars = m_engine.Variables();
    if (vars.Find(name)) {
        vars.SetValue(name, value);
        return;
    }
    if (m_engine.Report() && m_engine.Report()->SetReportValue(name, value)) return;
    vars.SetValue(name, value);
}

void TInterpretator::CallFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3,
                                  TrpValue &value)
{
    m_engine.CallFunction(name, p1, p2, p3, value);
}

// --- the engine ---

TrpEngine::TrpEngine()
{
    for (int n = 55077; n <= 55099; ++n) BandNames << LoadEngineString(n);
    for (int n = 55170; n <= 55173; ++n) BooleanFormats << LoadEngineString(n);
    for (int n = 55175; n <= 55178; ++n) DateFormats << LoadEngineString(n);
    for (int n = 55179; n <= 55182; ++n) TimeFormats << LoadEngineString(n);

    m_parser.Settings = &m_format;
    m_parser.OnGetValue = [this](const QString &name, TrpValue &value) { ResolveValue(name, value); };
    m_parser.OnFunction = [this](const QString &name, const QString &p1, const QString &p2, const QString &p3,
                                 TrpValue &value) { CallFunction(name, p1, p2, p3, value); };
    m_interpreter = std::make_unique<TInterpretator>(*this);
    RegisterLibrary(std::make_unique<TrpStdFunctionLibrary>(*this));
    RegisterLibrary(std::make_unique<TDatabaseFunctionLibrary>(*this));
    fillConstants();
}

TrpEngine::~TrpEngine()
{
    // Libraries go before the parser, the interpreter and the variable lists.
    while (!m_libraries.empty()) {
        const TrpFunctionLibrary &last = *m_libraries.back();
        UnregisterLibrary(typeid(last));
    }
}

bool TrpEngine::RegisterLibrary(std::unique_ptr<TrpFunctionLibrary> library)
{
    if (!library || m_libraries.size() >= 64) return false;
    const TrpFunctionLibrary &lib = *library;
    for (const auto &l : m_libraries) {
        const TrpFunctionLibrary &existing = *l;
        if (typeid(existing) == typeid(lib)) {
            m_installed.RemoveLibrary(typeid(lib));
            // The earlier registration stays: put its descriptions back.
            for (const QString &n : l->FunctionNames()) m_installed.Add(l.get(), n, QString(), QString());
            return false;
        }
    }
    m_libraries.push_back(std::move(library));
    return true;
}

void TrpEngine::UnregisterLibrary(const std::type_info &libraryClass)
{
    m_installed.RemoveLibrary(libraryClass);
    for (auto it = m_libraries.begin(); it != m_libraries.end(); ++it) {
        const TrpFunctionLibrary &l = **it;
        if (typeid(l) == libraryClass) {
            m_libraries.erase(it);
            return;
        }
    }
}

TrpDialogs *TrpEngine::Dialogs() const { return m_dialogs ? m_dialogs : &headlessDialogs(); }

void TrpEngine::ResolveValue(const QString &name, TrpValue &value)
{
    if (m_report && m_report->GetReportValue(name, value)) return;
    if (const TrpValue *v = m_variables.Find(name)) { value = *v; return; }
    if (m_report && m_report->GetSystemValue(name, value)) return;
    if (const TrpValue *v = m_constants.Find(name)) { value = *v; return; }
    value = EvaluateNamed(name, name);
}

TrpValue TrpEngine::EvaluateNamed(const QString &name, const QString &expression)
{
    const QString key = kv::upperCase(name);
    if (m_evaluating.contains(key)) {
        if (ErrorTolerant) return TrpValue(0);
        throw EParserError(QStringLiteral("Undefined symbol \"%1\"").arg(name));
    }
    struct Guard {
        QStringList &list;
        Guard(QStringList &l, const QString &k) : list(l) { list << k; }
        ~Guard() { list.removeLast(); }
    } guard(m_evaluating, key);
    return m_parser.Calculate(expression);
}

QString TrpEngine::ArrayElementName(const QString &array, const TrpValue &index)
{
    return QStringLiteral("Arr_") + array + QLatin1Char('_') + index.toText();
}

void TrpEngine::CallFunction(const QString &name, const QString &p1, const QString &p2, const QString &p3,
                             TrpValue &value)
{
    value = TrpValue(QStringLiteral("0"));
    for (const auto &lib : m_libraries)
        if (lib->OnFunction(name, p1, p2, p3, value)) return;

    if (name == QLatin1String("SETARRAY") || name == QLatin1String("GETARRAY")) {
        const QString array = p1.trimmed();
        const TrpValue index = Calculate(p2);
        if (name == QLatin1String("SETARRAY")) {
            const TrpValue v = Calculate(p3);
            if (array.contains(QLatin1Char('.'))) {
                if (m_report) m_report->SetIndexProperty(array, index, v);
            } else {
                m_variables.SetValue(ArrayElementName(array, index), v);
            }
        } else if (array.contains(QLatin1Char('.'))) {
            TrpValue v = TrpValue::null();
            if (m_report) m_report->GetIndexProperty(array, index, v);
            value = v;
        } else {
            value = m_variables.GetValue(ArrayElementName(array, index));
        }
        return;
    }
    if (name == QLatin1String("INC") || name == QLatin1String("DEC")) {
        const QString var = p1.trimmed();
        TrpValue current = TrpValue::null();
        ResolveValue(kv::upperCase(var), current);
        m_interpreter->SetValue(var, name == QLatin1String("INC") ? rpAdd(current, TrpValue(qint64(1)))
                                                                  : rpSub(current, TrpValue(qint64(1))));
        return;
    }
    if (m_report) m_report->CallReportFunction(name, p1, p2, p3, value);
}

void TrpEngine::fillConstants()
{
    struct C { const char *name; qint64 value; };
    static const C colours[] = {
        {"clWhite", 0xFFFFFF}, {"clBlack", 0}, {"clMaroon", 0x80}, {"clGreen", 0x8000}, {"clOlive", 0x8080},
        {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
        {"clSilver", 0xC0C0C0}, {"clRed", 0xFF}, {"clLime", 0xFF00}, {"clYellow", 0xFFFF},
        {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clTransparent", 0x1FFFFFFF},
    };
    for (const C &c : colours) m_constants.SetValue(QString::fromLatin1(c.name), TrpValue(c.value));
    static const char *const system[] = {
        "clScrollBar", "clBackground", "clActiveCaption", "clInactiveCaption", "clMenu", "clWindow",
        "clWindowFrame", "clMenuText", "clWindowText", "clCaptionText", "clActiveBorder", "clInactiveBorder",
        "clAppWorkSpace", "clHighlight", "clHighlightText", "clBtnFace", "clBtnShadow", "clGrayText",
        "clBtnText", "clInactiveCaptionText", "clBtnHighlight", "cl3DDkShadow", "cl3DLight", "clInfoText",
        "clInfoBk"};
    for (int i = 0; i < 25; ++i)
        m_constants.SetValue(QString::fromLatin1(system[i]), TrpValue(qint64(0x80000000LL + i)));
    static const C others[] = {
        {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrYes", 6}, {"mrNo", 7},
        {"fsBold", 2}, {"fsItalic", 1}, {"fsUnderline", 4}, {"fsStrikeOut", 8},
        {"rpftNone", 0}, {"rpftRight", 1}, {"rpftBottom", 2}, {"rpftLeft", 4}, {"rpftTop", 8},
        {"rptaLeft", 0}, {"rptaRight", 1}, {"rptaCenter", 2}, {"rptaVertical", 4}, {"rptaMiddle", 8},
        {"rptaDown", 16},
        {"baNone", 0}, {"baLeft", 1}, {"baRight", 2}, {"baCenter", 3}, {"baWidth", 4}, {"baBottom", 5},
        {"baTop", 6}, {"baRest", 7},
        {"psSolid", 0}, {"psDash", 1}, {"psDot", 2}, {"psDashDot", 3}, {"psDashDotDot", 4}, {"psDouble", 5},
        {"mb_Ok", 0}, {"mb_OkCancel", 1}, {"mb_YesNo", 4}, {"mb_YesNoCancel", 3}, {"mb_IconError", 16},
        {"mb_IconQuestion", 32}, {"mb_IconInformation", 64}, {"mb_IconWarning", 48},
    };
    for (const C &c : others) m_constants.SetValue(QString::fromLatin1(c.name), TrpValue(c.value));
    m_constants.SetValue(QStringLiteral("CRLF"), TrpValue(QStringLiteral("\r\n")));
    m_constants.SetValue(QStringLiteral("Null"), TrpValue::null());
}

TrpEngine &rpEngine()
{
    rpEngineStart();
    return *globalEngine();
}

void rpEngineStart()
{
    if (!globalEngine()) globalEngine() = std::make_unique<TrpEngine>();
}

void rpEngineEnd()
{
    globalEngine().reset();
}
