#include "LzExpander.h"

#include <QFile>
#include <QSaveFile>
#include <cstdlib>
#include <cstring>
#include <mspack.h>

namespace {
constexpr char inputName[] = "input";
constexpr char outputName[] = "output";

struct DeviceFile
{
    mspack_file base; // first member: libmspack hands this pointer back to us
    QIODevice *device;
};

// libmspack's I/O routed to two Qt devices, so that the output can be a
// QSaveFile. libmspack names files; ours are named "input" and "output".
struct DeviceSystem
{
    mspack_system base; // first member, as above
    QIODevice *input;
    QIODevice *output;
};

QIODevice *deviceOf(mspack_file *file)
{
    return reinterpret_cast<DeviceFile *>(file)->device;
}

mspack_file *openDevice(mspack_system *self, const char *filename, int mode)
{
    auto *system = reinterpret_cast<DeviceSystem *>(self);
    QIODevice *device = nullptr;
    if (mode == MSPACK_SYS_OPEN_READ && std::strcmp(filename, inputName) == 0)
        device = system->input;
    else if (mode == MSPACK_SYS_OPEN_WRITE && std::strcmp(filename, outputName) == 0)
        device = system->output;
    if (!device)
        return nullptr;
    return reinterpret_cast<mspack_file *>(new DeviceFile{{}, device});
}

void closeDevice(mspack_file *file)
{
    delete reinterpret_cast<DeviceFile *>(file);
}

int readDevice(mspack_file *file, void *buffer, int bytes)
{
    return int(deviceOf(file)->read(static_cast<char *>(buffer), bytes));
}

int writeDevice(mspack_file *file, void *buffer, int bytes)
{
    return int(deviceOf(file)->write(static_cast<const char *>(buffer), bytes));
}

int seekDevice(mspack_file *file, off_t offset, int mode)
{
    QIODevice *device = deviceOf(file);
    qint64 base = 0;
    if (mode == MSPACK_SYS_SEEK_CUR)
        base = device->pos();
    else if (mode == MSPACK_SYS_SEEK_END)
        base = device->size();
    return device->seek(base + offset) ? 0 : -1;
}

off_t tellDevice(mspack_file *file)
{
    return off_t(deviceOf(file)->pos());
}

void ignoreMessage(mspack_file *, const char *, ...)
{
}

void *allocate(mspack_system *, size_t bytes)
{
    return std::malloc(bytes);
}

void release(void *pointer)
{
    std::free(pointer);
}

void copyBytes(void *source, void *destination, size_t bytes)
{
    std::memmove(destination, source, bytes);
}

bool copyUnchanged(QIODevice &input, QIODevice &output)
{
    constexpr qint64 chunk = 64 * 1024;
    while (!input.atEnd()) {
        const QByteArray data = input.read(chunk);
        if (data.isEmpty() || output.write(data) != data.size())
            return false;
    }
    return true;
}

// The signatures of the format, as the platform's tool and its QBasic variant write them.
bool isCompressed(QIODevice &input)
{
    const QByteArray start = input.peek(8);
    return start == QByteArrayView("SZDD\x88\xF0\x27\x33", 8) || start == QByteArrayView("SZ \x88\xF0\x27\x33\xD1", 8);
}

// The expansion counts only when it gives exactly as many bytes as the header
// promises: libmspack stops quietly at the end of a truncated file.
bool expandInto(QIODevice &input, QIODevice &output)
{
    DeviceSystem system{{openDevice, closeDevice, readDevice, writeDevice, seekDevice, tellDevice, ignoreMessage,
                         allocate, release, copyBytes, nullptr},
                        &input,
                        &output};
    msszdd_decompressor *decompressor = mspack_create_szdd_decompressor(&system.base);
    if (!decompressor)
        return false;
    bool expanded = false;
    if (msszddd_header *header = decompressor->open(decompressor, inputName)) {
        expanded = decompressor->extract(decompressor, header, outputName) == MSPACK_ERR_OK
            && output.pos() == header->length;
        decompressor->close(decompressor, header);
    }
    mspack_destroy_szdd_decompressor(decompressor);
    return expanded;
}
} // namespace

bool LzExpander::expand(const QString &source, const QString &destination)
{
    QFile input(source);
    QSaveFile output(destination);
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly))
        return false;
    const bool written = isCompressed(input) ? expandInto(input, output) : copyUnchanged(input, output);
    return written && output.commit();
}
