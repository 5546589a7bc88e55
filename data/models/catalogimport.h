#pragma once
// The older models catalog "Catalog.ini" turned into the models base.
#include <QString>

namespace kv {

class Paths;

// Fills the open, freshly emptied models base from "Catalog.ini": catalog
// section i becomes "imModelSection<i>", its model j "imModel<j>" with the
// name from [<key>] and the parts-table stem from [<key>_]. Raises kv::Error.
void ImportModelsCatalog(const Paths &paths);

// The whole import: the open base is released, "Models.dat" backed up to
// "Temp\Models.dat" (the copy is checked byte for byte), the empty template
// copied over it, opened and filled. On failure the backup is put back and
// opened again, and "Ошибка импорта базы моделей." raised; the previous base
// is never lost. The backup is deleted at the end in every case.
void ReplaceModelsBaseFromCatalog(const Paths &paths);

} // namespace kv
