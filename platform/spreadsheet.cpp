#include "platform/spreadsheet.h"

#include "platform/error.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <xlsxwriter.h>

namespace kv {

struct XlsxSpreadsheet::Impl
{
    QString fileName;
    QString tempName;
    lxw_workbook *book = nullptr;
    lxw_worksheet *sheet = nullptr;
};

XlsxSpreadsheet::XlsxSpreadsheet(const QString &fileName, const QString &sheetName) : d(std::make_unique<Impl>())
{
    d->fileName = fileName;
    d->tempName = fileName + QStringLiteral(".tmp");
    d->book = workbook_new(QFile::encodeName(d->tempName).constData());
    if (!d->book)
        throw Error(QStringLiteral("Не удаётся записать файл \"%1\".").arg(QDir::toNativeSeparators(fileName)));
    const QByteArray name = sheetName.left(31).toUtf8();
    d->sheet = workbook_add_worksheet(d->book, name.isEmpty() ? nullptr : name.constData());
}

XlsxSpreadsheet::~XlsxSpreadsheet()
{
    if (d->book) {
        workbook_close(d->book);
        QFile::remove(d->tempName);
    }
}

void XlsxSpreadsheet::SetCell(int row, int col, const QVariant &value)
{
    if (!d->sheet || row < 1 || col < 1) return;
    const auto r = lxw_row_t(row - 1);
    const auto c = lxw_col_t(col - 1);
    lxw_error rc;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        rc = worksheet_write_number(d->sheet, r, c, value.toDouble(), nullptr);
        break;
    default:
        rc = worksheet_write_string(d->sheet, r, c, value.toString().toUtf8().constData(), nullptr);
        break;
    }
    if (rc != LXW_NO_ERROR) throw Error(QString::fromUtf8(lxw_strerror(rc)));
}

void XlsxSpreadsheet::Close()
{
    if (!d->book) return;
    const lxw_error rc = workbook_close(d->book);
    d->book = nullptr;
    d->sheet = nullptr;
    const QString err = QStringLiteral("Не удаётся записать файл \"%1\".").arg(QDir::toNativeSeparators(d->fileName));
    if (rc != LXW_NO_ERROR) {
        QFile::remove(d->tempName);
        throw Error(err);
    }
    if (QFileInfo::exists(d->fileName) && !QFile::remove(d->fileName)) {
        QFile::remove(d->tempName);
        throw Error(err);
    }
    if (!QFile::rename(d->tempName, d->fileName)) throw Error(err);
}

bool OpenWithDesktop(const QString &fileName)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
}

} // namespace kv
