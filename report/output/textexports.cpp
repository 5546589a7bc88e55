#include "report/output/textexports.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "platform/error.h"
#include "platform/text.h"
#include "report/core/utils.h"

namespace {

int rnd(double v) { return int(kv::roundHalfEven(v)); }

// Code page 866 for "Convert to DOS".
char toCp866(QChar c)
{
    const ushort u = c.unicode();
    if (u < 0x80) return char(u);
    if (u >= 0x410 && u <= 0x42F) return char(0x80 + (u - 0x410));
    if (u >= 0x430 && u <= 0x43F) return char(0xA0 + (u - 0x430));
    if (u >= 0x440 && u <= 0x44F) return char(0xE0 + (u - 0x440));
    switch (u) {
    case 0x401: return char(0xF0);
    case 0x451: return char(0xF1);
    case 0x404: return char(0xF2);
    case 0x454: return char(0xF3);
    case 0x407: return char(0xF4);
    case 0x457: return char(0xF5);
    case 0x40E: return char(0xF6);
    case 0x45E: return char(0xF7);
    case 0xB0: return char(0xF8);
    case 0x2219: return char(0xF9);
    case 0xB7: return char(0xFA);
    case 0x221A: return char(0xFB);
    case 0x2116: return char(0xFC);
    case 0xA4: return char(0xFD);
    case 0xA0: return char(0xFF);
    default: return '?';
    }
}

// Frame codes live outside the characters of any text (private use area), so
// a TAB or FF of a text never turns into a frame character.
constexpr ushort kFrameBase = 0xE000;
bool isFrame(QChar c) { return c.unicode() >= kFrameBase && c.unicode() <= kFrameBase + 15; }
int frameCode(QChar c) { return c.unicode() - kFrameBase; }
QChar frameChar(int code) { return QChar(ushort(kFrameBase + code)); }

QString cleanText(const QString &text)
{
    QString t = text;
    for (QChar &c : t)
        if (isFrame(c)) c = QLatin1Char('?');
    return t;
}

const QByteArray kCrLf("\r\n");

} // namespace

// ================================================================ plain text
TrpTextExport::TrpTextExport(QObject *parent) : TrpTextExport(parent, true) {}

TrpTextExport::TrpTextExport(QObject *parent, bool registerSelf) : TrpExportFilter(parent)
{
    if (registerSelf) Register(LoadEngineString(55212) + QStringLiteral(" (*.txt)"), QStringLiteral("*.txt"));
}

bool TrpTextExport::SetScaleX(double v)
{
    if (!std::isfinite(v) || v <= 0) return false;
    m_scaleX = v;
    return true;
}

bool TrpTextExport::SetScaleY(double v)
{
    if (!std::isfinite(v) || v <= 0) return false;
    m_scaleY = v;
    return true;
}

void TrpTextExport::BeginDocument() {}

void TrpTextExport::BeginPage() { ResetLines(201); }

int TrpTextExport::SlotOf(int y) const { return rnd(y / (14 / m_scaleY)); }

void TrpTextExport::ExportText(const TrpRect &rect, int x, int y, const TrpExportObject &object, int frameTyp,
                               const QString &text)
{
    TrpExportTextItem item;
    item.X = x;
    item.Text = text;
    item.FillColor = object.FillColor;
    item.Rect = rect;
    item.FrameTyp = frameTyp;
    if (object.IsMemo) {
        item.FontName = object.Font.name.left(31);
        item.FontSize = object.Font.size;
        item.FontStyle = FontStyleToStream(object.Font.style);
        item.FontColor = object.Font.color;
        item.FontCharset = object.Font.charset;
        item.Alignment = (object.Alignment & 3) == 1 ? 1 : 0;
        if (item.Alignment == 1) item.X = rect.Right;
    }
    InsertItem(SlotOf(y), std::move(item));
}

QByteArray TrpTextExport::Encode(const QString &text) const
{
    if (!ConvertToOEM) return kv::toCp1251(text);
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) out.append(toCp866(c));
    return out;
}

void TrpTextExport::EndPage()
{
    const double cw = 6.5 / m_scaleX;
    const int last = LastUsedSlot();
    QList<QString> out;

    auto lineHasText = [](const QString &line) {
        for (QChar c : line)
            if (c != QLatin1Char(' ') && !isFrame(c)) return true;
        return false;
    };
    auto put = [&out](int line, int col, int code) {
        if (col < 0) return;
        QString &s = out[line];
        if (s.size() <= col) s.append(QString(col + 1 - s.size(), QLatin1Char(' ')));
        const QChar old = s.at(col);
        s[col] = frameChar(isFrame(old) ? (frameCode(old) | code) : code);
    };
    auto ensure = [&out](int line) {
        while (out.size() <= line) out.append(QString());
    };

    for (int slot = 0; slot <= last; ++slot) {
        const std::vector<TrpExportTextItem> &items = m_lines[size_t(slot)];
        QString text;
        int end = 0;
        for (const TrpExportTextItem &it : items) {
            const QString t = cleanText(it.Text);
            int col = rnd(it.X / cw);
            if (it.Alignment == 1) col -= int(t.size());
            // A left frame line takes its own column; the text starts after it
            // instead of losing its first character under it.
            if (ExportFrames && it.FrameTyp > 0 && (it.FrameTyp & 4))
                col = std::max(col, rnd(it.Rect.Left / cw) + 1);
            // Texts side by side keep a space between them: two cells never
            // read as one word or one figure.
            if (end > 0 && !t.isEmpty() && col <= end) col = end + 1;
            if (col > end) text.append(QString(col - end, QLatin1Char(' ')));
            text.append(t);
            end = col + int(t.size());
        }

        int cur = int(out.size());
        if (ExportFrames) {
            for (const TrpExportTextItem &it : items) {
                if (it.FrameTyp <= 0) continue;
                const int from = rnd(it.Rect.Left / cw);
                const int width = rnd(it.Rect.Right / cw) - from + 1;
                const int to = from + width - 1;
                const bool left = it.FrameTyp & 4, right = it.FrameTyp & 1;
                auto edge = [&](int line, int leftCorner, int rightCorner) {
                    for (int c = from; c <= to; ++c) {
                        int code = 10;
                        if (c == from && left) code = leftCorner;
                        else if (c == to && right) code = rightCorner;
                        put(line, c, code);
                    }
                };
                if (it.FrameTyp & 8) {
                    int above = cur - 1;
                    if (above < 0) {
                        out.insert(0, QString());
                        ++cur;
                        above = 0;
                    } else if (lineHasText(out[above])) {
                        out.insert(cur, QString());
                        above = cur;
                        ++cur;
                    }
                    edge(above, 6, 12);
                }
                if (it.FrameTyp & 2) {
                    ensure(cur + 1);
                    edge(cur + 1, 3, 9);
                }
                if (left || right) {
                    ensure(cur);
                    if (left) put(cur, from, 5);
                    if (right) put(cur, to, 5);
                }
            }
        }

        if (KillEmptyLines && items.empty()) continue;
        if (cur >= out.size()) {
            ensure(cur - 1);
            out.append(text);
        } else {
            QString &line = out[cur];
            if (line.size() < text.size()) line.append(QString(text.size() - line.size(), QLatin1Char(' ')));
            for (int i = 0; i < text.size(); ++i)
                if (line.at(i) == QLatin1Char(' ')) line[i] = text.at(i);
        }
    }
    if (PageBreaks) out.append(QString(QChar(12)));

    static const char pseudo[16] = {'+', '+', '+', char(0xC0), '+', char(0xB3), char(0xDA), char(0xC3),
                                    '+', char(0xD9), char(0xC4), char(0xC1), char(0xBF), char(0xB4), char(0xC2),
                                    char(0xC5)};
    QByteArray bytes;
    for (const QString &line : out) {
        QString textPart;
        for (QChar c : line) {
            if (!isFrame(c)) {
                textPart.append(c);
                continue;
            }
            bytes.append(Encode(textPart));
            textPart.clear();
            const int code = frameCode(c);
            if (UsePseudographic)
                bytes.append(pseudo[code]);
            else
                bytes.append(code == 5 ? '|' : code == 10 ? '-' : '+');
        }
        bytes.append(Encode(textPart));
        bytes.append(kCrLf);
    }
    Write(bytes);
}

// ================================================================ HTML
TrpHTMExport::TrpHTMExport(QObject *parent) : TrpTextExport(parent, false)
{
    Register(LoadEngineString(55220) + QStringLiteral(" (*.htm)"), QStringLiteral("*.htm"));
}

void TrpHTMExport::BeginDocument()
{
    Write("<HTML>\r\n<Head>\r\n<Meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
          "</Head>\r\n<Body bgColor=\"#FFFFFF\">\r\n<Table>\r\n");
    m_counter = 0;
}

void TrpHTMExport::EndDocument() { Write("</Table>\r\n</Body>\r\n</HTML>\r\n"); }

void TrpHTMExport::ExportObject(int x, int y, const TrpExportObject &object)
{
    if (!ExportPictures || !object.IsPicture || object.Picture.isNull()) return;
    m_pictures.append({x, y, object.Width, object.Height, object.PictureIsJpeg, object.Picture, object.JpegData});
}

QByteArray TrpHTMExport::Escape(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: {
            const char b = kv::toCp1251Char(c);
            if (b == '?' && c != QLatin1Char('?'))
                out += "&#" + QByteArray::number(c.unicode()) + ';';
            else
                out += b;
        }
        }
    }
    return out;
}

QByteArray TrpHTMExport::TextCell(const TrpExportTextItem &item)
{
    QByteArray font;
    const TrpColor rgb = rpColorToRGB(item.FontColor);
    if (rgb != clNone && rgb != clBlack && rgb != clWhite)
        font += "Color=\"#" +
                QStringLiteral("%1%2%3")
                    .arg(rpRed(rgb), 2, 16, QLatin1Char('0'))
                    .arg(rpGreen(rgb), 2, 16, QLatin1Char('0'))
                    .arg(rpBlue(rgb), 2, 16, QLatin1Char('0'))
                    .toUpper()
                    .toLatin1() +
                '"';
    const int s = item.FontSize;
    if (s < 10 || s > 13) {
        const char *size = (s == 6 || s == 7) ? "1" : (s == 8 || s == 9) ? "2" : (s >= 14 && s <= 17) ? "4"
                           : (s >= 18 && s <= 23) ? "5" : (s >= 24 && s <= 35) ? "6" : "7";
        if (!font.isEmpty()) font += ' ';
        font += QByteArray("Size=") + size;
    }
    QByteArray cell = "<td>";
    if (!font.isEmpty()) cell += "<Font " + font + '>';
    if (item.FontStyle & 1) cell += "<i>";
    if (item.FontStyle & 2) cell += "<b>";
    if (item.FontStyle & 4) cell += "<u>";
    cell += Escape(item.Text);
    cell += "</td>";
    return cell;
}

void TrpHTMExport::EndPage()
{
    if (ExportPictures && !m_pictures.isEmpty()) {
        const QDir dir = QFileInfo(FileName).absoluteDir();
        for (const Kept &p : m_pictures) {
            const char *ext = p.jpeg ? ".jpg" : ".bmp";
            // Never over an existing file: the counter moves on to a free name.
            QString name;
            do {
                name = QStringLiteral("htm%1%2").arg(m_counter++).arg(QLatin1String(ext));
            } while (QFileInfo::exists(dir.filePath(name)));
            const QString path = dir.filePath(name);
            bool ok;
            if (p.jpeg && !p.jpegData.isEmpty()) {
                QFile f(path);
                ok = f.open(QIODevice::WriteOnly | QIODevice::NewOnly) && f.write(p.jpegData) == p.jpegData.size();
            } else {
                ok = p.image.save(path, p.jpeg ? "JPG" : "BMP");
            }
            if (!ok) throw kv::Error(QStringLiteral("Cannot create file \"%1\".").arg(QDir::toNativeSeparators(path)));
            TrpExportTextItem cell;
            cell.X = p.x;
            cell.FrameTyp = -1;
            cell.PictureFile = name;
            cell.PictureWidth = p.w;
            cell.PictureHeight = p.h;
            InsertItem(SlotOf(p.y), std::move(cell));
        }
        m_pictures.clear();
    }
    const int last = LastUsedSlot();
    QByteArray bytes;
    for (int slot = 0; slot <= last; ++slot) {
        const std::vector<TrpExportTextItem> &items = m_lines[size_t(slot)];
        if (KillEmptyLines && items.empty()) continue;
        bytes += "<tr>";
        for (const TrpExportTextItem &it : items) {
            if (it.FrameTyp == -1)
                bytes += "<td><img src=\"" + Escape(it.PictureFile) + "\" width=\"" +
                         QByteArray::number(it.PictureWidth) + "\" height=\"" + QByteArray::number(it.PictureHeight) +
                         "\"></td>";
            else
                bytes += TextCell(it);
        }
        bytes += "</tr>\r\n";
    }
    Write(bytes);
}

// ================================================================ CSV
TrpCSVExport::TrpCSVExport(QObject *parent) : TrpTextExport(parent, false)
{
    Register(LoadEngineString(55219) + QStringLiteral(" (*.csv)"), QStringLiteral("*.csv"));
}

void TrpCSVExport::EndPage()
{
    const double cw = 64 / m_scaleX;
    const int last = LastUsedSlot();
    QByteArray bytes;
    for (int slot = 0; slot <= last; ++slot) {
        QString line;
        int prev = 0;
        for (const TrpExportTextItem &it : m_lines[size_t(slot)]) {
            // A cell of its own even when it starts in the column of the one before.
            const int col = line.isEmpty() ? rnd(it.X / cw) : std::max(rnd(it.X / cw), prev + 1);
            if (col > prev) line.append(QString(col - prev, Delimiter));
            QString t = it.Text;
            if (t.contains(Delimiter) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\r')) ||
                t.contains(QLatin1Char('\n'))) {
                t.replace(QLatin1String("\""), QLatin1String("\"\""));
                t = QLatin1Char('"') + t + QLatin1Char('"');
            }
            line.append(t);
            prev = col;
        }
        if (KillEmptyLines && line.isEmpty()) continue;
        bytes += Encode(line) + kCrLf;
    }
    Write(bytes);
}

// ================================================================ RTF
TrpRTFExport::TrpRTFExport(QObject *parent) : TrpTextExport(parent, false)
{
    m_scaleX = 1.3;
    Register(LoadEngineString(55218) + QStringLiteral(" (*.rtf)"), QStringLiteral("*.rtf"));
}

int TrpRTFExport::twips(int x) const { return rnd(x / (1.3 / m_scaleX) * 20); }

int TrpRTFExport::fontIndex(const QString &name)
{
    int i = int(m_fonts.indexOf(name));
    if (i < 0) {
        m_fonts.append(name);
        i = int(m_fonts.size()) - 1;
    }
    return i;
}

int TrpRTFExport::colorIndex(TrpColor color)
{
    const TrpColor rgb = rpColorToRGB(color);
    if (rgb == clWhite || rgb == clNone) return 0;
    int i = int(m_colors.indexOf(rgb));
    if (i < 0) {
        m_colors.append(rgb);
        i = int(m_colors.size()) - 1;
    }
    return i + 1;
}

QByteArray TrpRTFExport::Escape(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else {
            const char b = kv::toCp1251Char(c);
            if (b == '?')
                out += "\\u" + QByteArray::number(qint16(u)) + '?';
            else
                out += "\\'" + QByteArray::number(uchar(b), 16).rightJustified(2, '0');
        }
    }
    return out;
}

void TrpRTFExport::BeginDocument()
{
    Write("{\\rtf1\\ansi\\ansicpg1251\r\n\\margl600\\margr600\\margt600\\margb600\r\n");
    m_body.clear();
    m_fonts.clear();
    m_colors.clear();
    m_pageWritten = false;
}

void TrpRTFExport::EndDocument()
{
    m_body += "\\par}";
    auto writeTable = [this](const QByteArray &table) {
        QByteArray out;
        for (qsizetype i = 0; i < table.size(); i += 254) out += table.mid(i, 254) + kCrLf;
        Write(out);
    };
    QByteArray fonts = "{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i)
        fonts += "{\\f" + QByteArray::number(i) + "\\fcharset204 " + Escape(m_fonts[i]) + ";}";
    fonts += '}';
    writeTable(fonts);
    QByteArray colors = "{\\colortbl;";
    for (TrpColor c : m_colors)
        colors += "\\red" + QByteArray::number(rpRed(c)) + "\\green" + QByteArray::number(rpGreen(c)) + "\\blue" +
                  QByteArray::number(rpBlue(c)) + ';';
    colors += '}';
    writeTable(colors);
    Write(m_body);
}

void TrpRTFExport::ExportObject(int x, int y, const TrpExportObject &object)
{
    if (!object.IsPicture || object.Picture.isNull()) return;
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    object.Picture.convertToFormat(QImage::Format_RGB888).save(&buf, "BMP");
    m_pictures.append({x, y, object.Width, object.Height, object.Picture.width(), object.Picture.height(), bmp});
}

namespace {

QByteArray hex32(quint32 v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i) out += QByteArray::number((v >> (8 * i)) & 0xFF, 16).rightJustified(2, '0');
    return out;
}

QByteArray hex16(quint32 v) { return hex32(v).left(4); }

} // namespace

void TrpRTFExport::EndPage()
{
    if (m_pageWritten && PageBreaks) m_body += "\\page\r\n";
    if (ExportBitmaps) {
        for (const Kept &p : m_pictures) {
            m_body += "\\pard\\phmrg\\posx" + QByteArray::number(twips(p.x)) + "\\posy" +
                      QByteArray::number(rnd(p.y * 20 / 1.3)) + "\\absh" + QByteArray::number(p.h * 20) + "\\absw" +
                      QByteArray::number(p.w * 20) + "{\\pict\\wmetafile8\\picw" +
                      QByteArray::number(rnd(p.w * 26.46875)) + "\\pich" + QByteArray::number(rnd(p.h * 26.46875)) +
                      " \\picbmp\\picbpp4\r\n";
            const quint32 s = quint32(p.bmp.size()) / 2 + 7;
            m_body += "010009000003" + hex32(s + 36) + "0000" + hex32(s) + "0000" + "050000000b0200000000" +
                      "050000000c02" + hex16(quint32(p.ph)) + hex16(quint32(p.pw)) + "05000000090200000000" +
                      "050000000102ffffff00" + "0400000007010300" + hex32(s) + "430f2000cc000000" +
                      hex16(quint32(p.ph)) + hex16(quint32(p.pw)) + "00000000" + hex16(quint32(p.ph)) +
                      hex16(quint32(p.pw)) + "00000000" + "\r\n";
            const QByteArray data = p.bmp.mid(14).toHex();
            for (qsizetype i = 0; i < data.size(); i += 128) {
                const QByteArray chunk = data.mid(i, 128);
                m_body += chunk;
                if (chunk.size() == 128) m_body += kCrLf;
            }
            m_body += "030000000000}\\par\r\n";
        }
    }
    m_pictures.clear();

    const int last = LastUsedSlot();
    for (int slot = 0; slot <= last; ++slot) {
        const std::vector<TrpExportTextItem> &items = m_lines[size_t(slot)];
        if (items.empty()) {
            if (!KillEmptyLines) m_body += "{\\pard \\par}\r\n";
            continue;
        }
        QByteArray prefix = ConvertToTable ? "\\trowd \\trgaph108" : "\\pard";
        QByteArray body;
        QString prevFont;
        int prevSize = -1, prevStyle = 0, prevColor = -1;
        for (size_t i = 0; i < items.size(); ++i) {
            const TrpExportTextItem &it = items[i];
            if (ConvertToTable) {
                if (i > 0) prefix += "\\cellx" + QByteArray::number(twips(it.X));
            } else {
                if (it.Alignment == 1) prefix += "\\tqr";
                prefix += "\\tx" + QByteArray::number(twips(it.X));
            }
            const bool all = ConvertToTable || i == 0;
            QByteArray fmt;
            if (all || it.FontName != prevFont) fmt += "\\f" + QByteArray::number(fontIndex(it.FontName));
            if (all || it.FontSize != prevSize) fmt += "\\fs" + QByteArray::number(it.FontSize * 2);
            // Style bits that go off are switched off, so a bold item does not
            // make the next one bold.
            const int before = (ConvertToTable || i == 0) ? 0 : prevStyle;
            if (all || it.FontStyle != prevStyle) {
                if (it.FontStyle & 1) fmt += "\\i"; else if (before & 1) fmt += "\\i0";
                if (it.FontStyle & 2) fmt += "\\b"; else if (before & 2) fmt += "\\b0";
                if (it.FontStyle & 4) fmt += "\\ul"; else if (before & 4) fmt += "\\ul0";
            }
            const int color = colorIndex(it.FontColor);
            if (all || color != prevColor) fmt += "\\cf" + QByteArray::number(color);
            prevFont = it.FontName;
            prevSize = it.FontSize;
            prevStyle = it.FontStyle;
            prevColor = color;
            if (ConvertToTable)
                body += "{" + fmt + " " + Escape(it.Text) + "}\\cell ";
            else
                body += "\\tab" + fmt + " " + Escape(it.Text);
        }
        if (ConvertToTable)
            m_body += prefix + "\\cellx" + QByteArray::number(twips(items.back().Rect.Right)) + " \\trleft" +
                      QByteArray::number(twips(items.front().X)) + " \\pard \\intbl " + body + "\\pard \\intbl \\row" +
                      kCrLf;
        else
            m_body += prefix + "{" + body + "\\par}" + kCrLf;
    }
    if (ConvertToTable) m_body += "\\pard\r\n";
    m_pageWritten = true;
}
