#include "report/building/composite.h"

#include <QBuffer>
#include <memory>
#include <vector>

TrpCompositeReport::TrpCompositeReport(QObject *owner) : TrpReport(owner) {}

bool TrpCompositeReport::Prepare()
{
    BuildOrder.clear();
    // Each member keeps its template and gets its own begin and end of the document.
    std::vector<std::pair<TrpReport *, std::unique_ptr<QBuffer>>> saved;
    bool ok = true;
    for (TrpReport *r : Reports) {
        if (!r || r == this) continue;
        auto buffer = std::make_unique<QBuffer>();
        buffer->open(QIODevice::ReadWrite);
        if (!r->saveTemplateForBuild(*buffer)) {
            ok = false;
            break;
        }
        if (r->OnBeginDoc) r->OnBeginDoc();
        saved.emplace_back(r, std::move(buffer));
    }
    if (ok) ok = TrpReport::Prepare();
    for (auto &[r, buffer] : saved) {
        if (r->OnEndDoc) r->OnEndDoc();
        r->restoreTemplateAfterBuild(*buffer);
    }
    if (!ok) EMFPages().Clear();
    return ok;
}

void TrpCompositeReport::BuildPages()
{
    PreparedFromFile = false;
    PageNo = 0;
    FooterDonePage = -1;
    SavedY = SavedBottom = 0;
    SavedFooterDone = false;
    Progress(1);
    TrpDataset *ds = Dataset();
    if (ds) {
        ds->Init();
        ds->First();
    }
    while (!Stopped() && !(ds && ds->Eof())) {
        bool afterAnother = false;
        for (int n = 0; n < Reports.size() && !Stopped(); ++n) {
            TrpReport *r = Reports[n];
            if (!r || r == this) continue;
            BuildOrder.append(n);
            // per record the member starts from its template again
            QBuffer round;
            if (ds) {
                round.open(QIODevice::ReadWrite);
                r->SaveToStream(round);
            }
            r->buildAsMember(*this, afterAnother);
            afterAnother = true;
            if (ds) {
                r->releasePageBuilds();
                const QString fileName = r->FileName;
                round.seek(0);
                r->LoadFromStream(round, true);
                r->FileName = fileName;
            }
            if (!r->m_errorText.isEmpty()) {
                BuildError(r->m_errorText);
                break;
            }
            if (r->m_stopped) Stop();
        }
        if (!ds) break;
        ds->Next();
    }
    if (ds) ds->Exit();
}
