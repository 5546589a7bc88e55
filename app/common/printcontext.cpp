#include "app/common/printcontext.h"

#include "app/common/appcontext.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"

kv::PrintContext PrintContextOf(AppContext &ctx)
{
    kv::MaterialsService *materials = ctx.hasMaterials() ? &ctx.materials() : nullptr;
    auto materialName = [materials](int code) { return materials ? materials->GetMaterialName(code) : QString(); };
    kv::StatLookups lookups;
    if (ctx.hasBorders()) {
        lookups = kv::StatLookups::FromBorders(ctx.borders(), materialName);
    } else {
        lookups.materialName = materialName;
    }
    return {ctx.paths(), ctx.settings(), lookups, ctx.ui()};
}
