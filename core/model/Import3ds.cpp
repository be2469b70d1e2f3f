// 3DS: the model goes into NAME_resdir/ together with copies of the pictures its materials name, read
// through lib3ds 1.3.
#include "ImportSupport.h"

#include "Messages.h"

#include <QFile>

#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <lib3ds/material.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace quorvane::import {

namespace {

Lib3dsBool io3dsError(void* self)
{
    return std::ferror(static_cast<FILE*>(self)) != 0;
}

long io3dsSeek(void* self, long offset, Lib3dsIoSeek origin)
{
    const int whence = origin == LIB3DS_SEEK_CUR ? SEEK_CUR : origin == LIB3DS_SEEK_END ? SEEK_END : SEEK_SET;
    return std::fseek(static_cast<FILE*>(self), offset, whence);
}

long io3dsTell(void* self)
{
    return std::ftell(static_cast<FILE*>(self));
}

size_t io3dsRead(void* self, void* buffer, size_t size)
{
    return std::fread(buffer, 1, size, static_cast<FILE*>(self));
}

size_t io3dsWrite(void* self, const void* buffer, size_t size)
{
    return std::fwrite(buffer, 1, size, static_cast<FILE*>(self));
}

// lib3ds 1.3, opened privately: OSG's 3DS plug-in carries its own lib3ds with the same function names
// but other structures, and whichever is linked first would capture the other's calls.
struct Lib3ds13
{
    decltype(&lib3ds_file_new) fileNew = nullptr;
    decltype(&lib3ds_file_free) fileFree = nullptr;
    decltype(&lib3ds_file_read) fileRead = nullptr;
    decltype(&lib3ds_io_new) ioNew = nullptr;
    decltype(&lib3ds_io_free) ioFree = nullptr;

    static const Lib3ds13* instance()
    {
        static const Lib3ds13 lib = [] {
            Lib3ds13 l;
            void* h = nullptr;
            for (const char* name : {"lib3ds-1.so.3", "lib3ds.so"}) {
                if ((h = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND)))
                    break;
            }
            if (h) {
                l.fileNew = reinterpret_cast<decltype(l.fileNew)>(dlsym(h, "lib3ds_file_new"));
                l.fileFree = reinterpret_cast<decltype(l.fileFree)>(dlsym(h, "lib3ds_file_free"));
                l.fileRead = reinterpret_cast<decltype(l.fileRead)>(dlsym(h, "lib3ds_file_read"));
                l.ioNew = reinterpret_cast<decltype(l.ioNew)>(dlsym(h, "lib3ds_io_new"));
                l.ioFree = reinterpret_cast<decltype(l.ioFree)>(dlsym(h, "lib3ds_io_free"));
            }
            return l;
        }();
        return lib.fileNew && lib.fileFree && lib.fileRead && lib.ioNew && lib.ioFree ? &lib : nullptr;
    }
};

// Every material's sixteen maps in the library's order; repeated names stay. lib3ds 1.3 has no log
// callback (its only output is a chunk dump for debugging), so nothing is printed.
bool collect3dsTextures(const QString& path, QStringList* names)
{
    const Lib3ds13* lib = Lib3ds13::instance();
    if (!lib)
        return false;
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!f)
        return false;
    Lib3dsFile* file = lib->fileNew();
    Lib3dsIo* io = lib->ioNew(f, io3dsError, io3dsSeek, io3dsTell, io3dsRead, io3dsWrite);
    const bool ok = file && io && lib->fileRead(file, io);
    if (io)
        lib->ioFree(io);
    std::fclose(f);
    if (ok) {
        for (Lib3dsMaterial* m = file->materials; m; m = m->next) {
            const Lib3dsTextureMap* maps[] = {
                &m->texture1_map,   &m->texture1_mask,   &m->texture2_map,   &m->texture2_mask,
                &m->opacity_map,    &m->opacity_mask,    &m->bump_map,       &m->bump_mask,
                &m->specular_map,   &m->specular_mask,   &m->shininess_map,  &m->shininess_mask,
                &m->self_illum_map, &m->self_illum_mask, &m->reflection_map, &m->reflection_mask,
            };
            for (const Lib3dsTextureMap* map : maps) {
                const size_t n = strnlen(map->name, sizeof map->name);
                if (n > 0)
                    names->append(QString::fromLatin1(map->name, int(n)));
            }
        }
    }
    if (file)
        lib->fileFree(file);
    return ok;
}

} // namespace

bool import3ds(ImportJob& job, PreparedContent* out)
{
    QFile::remove(QStringLiteral("%1/%2.3ds").arg(job.workFolder, job.completeBaseName));
    QStringList textures;
    if (!collect3dsTextures(job.source, &textures))
        return job.fail(QStringLiteral("not a readable 3DS file"));
    QString missing;
    QList<QPair<QString, QString>> copies; // texture file -> entry name
    for (const QString& texture : textures) {
        bool found = false;
        const QString file = resolveReference(job.sourceFolder, texture, &found);
        // The copy keeps the name the model uses, so the model finds it where names are case-sensitive.
        const QString entry = QStringLiteral("%1_resdir\\%2").arg(job.completeBaseName, fileNamePart(texture));
        if (!found || !isPicture(file) || !isSafeEntry(entry)) {
            missing += QLatin1Char('\n') + texture;
            out->sideFiles.append({texture, true});
            continue;
        }
        copies.append({file, entry});
        out->sideFiles.append({entry, false});
    }
    if (!missing.isEmpty())
        job.warn(tr(messages::kImportMissingExternal).arg(job.source, missing));
    QDir().mkpath(QStringLiteral("%1/%2_resdir").arg(job.workFolder, job.completeBaseName));
    for (const auto& [file, entry] : copies)
        copyReplacing(file, entryPath(job.workFolder, entry));
    out->contentFile =
        QStringLiteral("%1/%2_resdir/%3.3ds").arg(job.workFolder, job.completeBaseName, job.completeBaseName);
    if (!copyReplacing(job.source, out->contentFile))
        return job.fail(QStringLiteral("cannot copy the model"));
    out->kind = NestedResourceModel;
    return job.saveModelThumbnail(out->contentFile);
}

} // namespace quorvane::import
