#include "ModelImporter.h"

#include "Model.h"
#include "Thumbnail.h"

namespace quorvane {

bool ModelImporter::importFile(const QString& source, const QString& destination)
{
    Model_v0_0 model;
    model.reporter = m_reporter;
    attachImportServices(model);
    const bool ok = model.importFrom(destination, source);
    m_lastError = ok ? QString() : model.lastError;
    return ok;
}

} // namespace quorvane
