#pragma once
// Primitive encodings of the report engine's binary structures (templates,
// object records, prepared pages), shared with other files of the program:
// little-endian integers, cp1251 strings with a 16-bit length, string lists,
// Booleans and fonts, and the older zero-terminated forms read from templates
// below version 23.
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// A font as the engine streams it. `style` holds the platform's style set:
// bold 1, italic 2, underline 4, strike-out 8 (the stream stores other bits).
struct TrpFont
{
    enum Style { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
    QString name = QStringLiteral("Arial");
    int size = 10;                  // points
    int style = 0;
    qint32 color = 0;               // Windows RGB value or system colour
    int charset = 1;                // 0..255

    bool operator==(const TrpFont &o) const = default;
};

// Reading past the end raises kv::Error "Stream read error"; a failing write
// "Stream write error".
QString ReadStreamString(QIODevice &s);
void WriteStreamString(QIODevice &s, const QString &value);   // refuses over 65,535 bytes
QStringList ReadStreamMemo(QIODevice &s);
void WriteStreamMemo(QIODevice &s, const QStringList &lines); // refuses over 65,535 lines/bytes
QString ReadStreamStringOld(QIODevice &s);
QStringList ReadStreamMemoOld(QIODevice &s);
// Version-aware readers: templates below version 23 hold the old forms.
QString ReadStreamString(QIODevice &s, int version);
QStringList ReadStreamMemo(QIODevice &s, int version);

bool ReadStreamBoolean(QIODevice &s);
void WriteStreamBoolean(QIODevice &s, bool value);
quint8 ReadStreamByte(QIODevice &s);
void WriteStreamByte(QIODevice &s, quint8 value);
qint16 ReadStreamWord(QIODevice &s);
void WriteStreamWord(QIODevice &s, qint16 value);
qint32 ReadStreamInteger(QIODevice &s);
void WriteStreamInteger(QIODevice &s, qint32 value);
// 80-bit extended real (10 bytes).
double ReadStreamExtended(QIODevice &s);
void WriteStreamExtended(QIODevice &s, double value);

void ReadStreamFont(QIODevice &s, TrpFont &font);
void WriteStreamFont(QIODevice &s, const TrpFont &font);
int StreamToFontStyle(int streamBits);   // stream: 1 italic, 2 bold, 4 underline, 8 strike-out
int FontStyleToStream(int style);

// Raw helpers for records of other classes.
QByteArray ReadStreamBytes(QIODevice &s, qint64 count);
void WriteStreamBytes(QIODevice &s, const QByteArray &bytes);

// An in-memory stream for the engine's records: writing grows a byte array
// that stays the caller's (from its end, or over it after a seek back);
// reading takes from a span without copying it. The primitives above reach
// it directly, without QIODevice's work per call, so one stream can carry
// a whole page of records cheaply; other readers see an ordinary random-access
// device. Re-attaching reuses the object.
class TrpMemoryStream final : public QIODevice
{
public:
    TrpMemoryStream() = default;
    explicit TrpMemoryStream(QByteArray *target) { attach(target); }
    TrpMemoryStream(const char *data, qint64 size) { attach(data, size); }
    ~TrpMemoryStream() override;

    // Writing (and reading back) into *target, positioned at its end.
    void attach(QByteArray *target);
    // Reading `size` bytes at `data`, which must outlive the reading.
    void attach(const char *data, qint64 size);

    bool isSequential() const override { return false; }
    qint64 pos() const override { return m_pos; }
    qint64 size() const override { return m_target ? m_target->size() : m_size; }
    bool seek(qint64 pos) override;
    bool atEnd() const override { return m_pos >= size(); }
    qint64 bytesAvailable() const override { return size() - m_pos; }

    // The next `count` bytes, or null (and nothing taken) when fewer remain.
    const char *take(qint64 count);
    void put(const char *data, qint64 count);
    QByteArray *target() const { return m_target; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    void reopen(OpenMode mode);
    QByteArray *m_target = nullptr;
    const char *m_data = nullptr;
    qint64 m_size = 0;
    qint64 m_pos = 0;
};
