#pragma once
// What a report holds as a template: its pages, data dictionary, document
// information, printer choice and prepared pages, with the ".rpf" template
// and ".rpp" prepared-report files. The report component (building, data
// sources, events) derives from it.
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

#include "report/model/dictionary.h"
#include "report/model/object.h"
#include "report/model/page.h"
#include "report/model/prepared.h"

// Document information of a template.
struct TrpDocumentInfo
{
    QString Comment, Name, Author, VMajor, VMinor, VRelease, VBuild;
    QString Password;
    quint8 Marker = 88;
    bool Protected = false;
    double CreationDate = 0;     // days since 30.12.1899
    double LastChange = 0;
    bool operator==(const TrpDocumentInfo &o) const = default;
};

class TrpReportBase : public TrpReportLink
{
public:
    TrpReportBase();
    ~TrpReportBase() override;
    TrpReportBase(const TrpReportBase &) = delete;
    TrpReportBase &operator=(const TrpReportBase &) = delete;

    TrpPages &Pages() { return m_pages; }
    TrpDataDictionary &Dictionary() { return m_dictionary; }
    // The prepared pages; while a composite report builds this one as a
    // member, the composite's pages.
    TrpEMFPages &EMFPages() { return m_sharedPages ? *m_sharedPages : *m_emfPages; }

    // Template (".rpf"): reading reports its failures itself (ShowError) and
    // returns whether the template was taken; writing raises on a failure.
    bool LoadFromStream(QIODevice &stream, bool memoryStream = false);
    void SaveToStream(QIODevice &stream);
    // False for a missing file (report unchanged); the name is kept.
    bool LoadFromFile(const QString &fileName);
    // Whether the last LoadFromFile took its template (LoadFromStream's answer).
    bool LoadedWhole() const { return m_loadedWhole; }
    // Written to a temporary name and renamed, so a failure loses nothing.
    void SaveToFile(const QString &fileName);
    // Prepared report (".rpp"); failures raise kv::Error.
    void LoadPrepared(const QString &fileName);
    void SavePrepared(const QString &fileName);

    // Clears pages, objects and settings (a new empty template has one page).
    virtual void ClearTemplate();
    void ResetDocumentInfo();
    // Called with the printer name of a file ("\001" already turned into the
    // virtual printer's text); the base only stores it.
    virtual void ChangePrinter(const QString &printerName) { PrinterName = printerName; }
    // Shows an engine failure under "Error" (the base keeps it in LastError and
    // passes it to the error hook when one is set).
    virtual void ShowError(const QString &text);
    // The password dialog of protected templates: true with OK, the typed text out.
    std::function<bool(QString &typed)> PasswordDialog;
    std::function<void(const QString &text)> ErrorHook;
    // The clock of DATE, TIME and the document dates.
    std::function<double()> Now;

    TrpView *FindObject(const QString &name) override;
    TrpPage *PageAt(int index) override { return m_pages.GetPage(index); }
    TrpView *FindView(const QString &name) { return FindObject(name); }

    QString FileName;
    QString PrinterName;
    bool PrintToDefault = true;
    bool DoublePassReport = false;
    TrpDocumentInfo Info;
    quint8 InfoByte = 88;     // the byte a prepared-report file carries at its end
    // The prepared pages came from a file, not from building the template.
    bool PreparedFromFile = false;
    QString LastError;

protected:
    TrpPages m_pages;
    TrpDataDictionary m_dictionary;
    std::unique_ptr<TrpEMFPages> m_emfPages;
    TrpEMFPages *m_sharedPages = nullptr;

private:
    bool m_loadedWhole = false;
    void readPagesBlock(QIODevice &stream, int version, QStringList &missingClasses, QStringList &damagedObjects);
    void writePagesBlock(QIODevice &stream);
};
