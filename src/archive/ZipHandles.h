#pragma once

#include <zip.h>

#include <memory>

// Owning handles for libzip objects. An archive handle that is never closed
// on purpose is discarded, so a failed write leaves the file on disk as it was.
struct ZipArchiveDiscard
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipArchiveDiscard>;

struct ZipSourceFree
{
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
using ZipSource = std::unique_ptr<zip_source_t, ZipSourceFree>;

struct ZipFileClose
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using ZipMember = std::unique_ptr<zip_file_t, ZipFileClose>;

// Closes the archive, writing it; on success the handle is released, on
// failure it stays owned (and is discarded later). Returns the libzip error.
inline int CloseZipArchive(ZipArchive &archive)
{
    if (zip_close(archive.get()) == 0) {
        archive.release();
        return ZIP_ER_OK;
    }
    return zip_error_code_zip(zip_get_error(archive.get()));
}
