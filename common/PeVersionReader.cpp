#include "PeVersionReader.h"

#include <QFile>
#include <QtEndian>

namespace {
constexpr quint16 pe32Magic = 0x10B;
constexpr quint16 pe32PlusMagic = 0x20B;
constexpr quint32 resourceDirectoryIndex = 2;
constexpr quint32 versionResourceType = 16;
constexpr quint32 versionResourceName = 1;
constexpr quint32 neutralLanguage = 0;
constexpr quint32 subdirectoryFlag = 0x80000000;
constexpr quint32 fixedInfoSignature = 0xFEEF04BD;
constexpr qsizetype fixedInfoSize = 13 * 4;
constexpr qsizetype sectionHeaderSize = 40;
constexpr qsizetype resourceEntrySize = 8;

// Little-endian reads that answer nullopt instead of reading past the bytes.
class Bytes
{
public:
    explicit Bytes(QByteArrayView data)
        : m_data(data)
    {
    }

    qsizetype size() const { return m_data.size(); }

    bool holds(quint64 offset, quint64 length) const
    {
        return offset <= quint64(m_data.size()) && length <= quint64(m_data.size()) - offset;
    }

    std::optional<quint16> u16(quint64 offset) const
    {
        if (!holds(offset, 2))
            return std::nullopt;
        return qFromLittleEndian<quint16>(m_data.data() + offset);
    }

    std::optional<quint32> u32(quint64 offset) const
    {
        if (!holds(offset, 4))
            return std::nullopt;
        return qFromLittleEndian<quint32>(m_data.data() + offset);
    }

    std::optional<Bytes> slice(quint64 offset, quint64 length) const
    {
        if (!holds(offset, length))
            return std::nullopt;
        return Bytes(m_data.sliced(qsizetype(offset), qsizetype(length)));
    }

    QByteArrayView view() const { return m_data; }

private:
    QByteArrayView m_data;
};

struct Section
{
    quint32 virtualAddress;
    quint32 rawSize;
    quint32 rawOffset;
};

// The image's sections, to turn addresses of the loaded image into file bytes.
class SectionMap
{
public:
    SectionMap(const Bytes &file, QList<Section> sections)
        : m_file(file)
        , m_sections(std::move(sections))
    {
    }

    // The file bytes from rva to the end of its section's data.
    std::optional<Bytes> tail(quint32 rva) const
    {
        for (const Section &s : m_sections) {
            if (rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize)
                continue;
            const quint32 skip = rva - s.virtualAddress;
            const auto data = m_file.slice(s.rawOffset, s.rawSize);
            if (!data)
                return std::nullopt;
            return data->slice(skip, s.rawSize - skip);
        }
        return std::nullopt;
    }

    std::optional<Bytes> range(quint32 rva, quint32 length) const
    {
        const auto rest = tail(rva);
        return rest ? rest->slice(0, length) : std::nullopt;
    }

private:
    Bytes m_file;
    QList<Section> m_sections;
};

struct ImageLayout
{
    quint32 resourceRva = 0;
    QList<Section> sections;
};

std::optional<ImageLayout> readLayout(const Bytes &file)
{
    if (!file.holds(0, 2) || file.view().first(2) != "MZ")
        return std::nullopt;
    const auto peOffset = file.u32(0x3C);
    if (!peOffset || !file.holds(*peOffset, 4) || file.view().sliced(*peOffset, 4) != QByteArrayView("PE\0\0", 4))
        return std::nullopt;
    const quint64 coff = quint64(*peOffset) + 4;
    const auto sectionCount = file.u16(coff + 2);
    const auto optionalSize = file.u16(coff + 16);
    const quint64 optional = coff + 20;
    const auto magic = file.u16(optional);
    if (!sectionCount || !optionalSize || !magic)
        return std::nullopt;

    quint64 directoryCountAt = 0;
    if (*magic == pe32Magic)
        directoryCountAt = optional + 92;
    else if (*magic == pe32PlusMagic)
        directoryCountAt = optional + 108;
    else
        return std::nullopt;
    const quint64 resourceEntryAt = directoryCountAt + 4 + resourceDirectoryIndex * 8;
    const auto directoryCount = file.u32(directoryCountAt);
    if (!directoryCount || *directoryCount <= resourceDirectoryIndex
        || resourceEntryAt + 8 > optional + *optionalSize)
        return std::nullopt;
    const auto resourceRva = file.u32(resourceEntryAt);
    if (!resourceRva || *resourceRva == 0)
        return std::nullopt;

    ImageLayout layout;
    layout.resourceRva = *resourceRva;
    const quint64 table = optional + *optionalSize;
    if (!file.holds(table, quint64(*sectionCount) * sectionHeaderSize))
        return std::nullopt;
    for (quint16 i = 0; i < *sectionCount; ++i) {
        const quint64 header = table + quint64(i) * sectionHeaderSize;
        layout.sections.append({*file.u32(header + 12), *file.u32(header + 16), *file.u32(header + 20)});
    }
    return layout;
}

// One entry of a resource directory chosen by its numeric identifier; with
// fallbackToFirst, the directory's first entry when none has that identifier.
std::optional<quint32> findEntry(const Bytes &resources, quint32 directory, quint32 id, bool fallbackToFirst)
{
    const auto named = resources.u16(quint64(directory) + 12);
    const auto numbered = resources.u16(quint64(directory) + 14);
    if (!named || !numbered)
        return std::nullopt;
    const quint32 count = quint32(*named) + *numbered;
    std::optional<quint32> first;
    for (quint32 i = 0; i < count; ++i) {
        const quint64 entry = quint64(directory) + 16 + quint64(i) * resourceEntrySize;
        const auto name = resources.u32(entry);
        const auto target = resources.u32(entry + 4);
        if (!name || !target)
            return std::nullopt;
        if (!first)
            first = *target;
        if (!(*name & subdirectoryFlag) && *name == id)
            return *target;
    }
    return fallbackToFirst ? first : std::nullopt;
}

std::optional<quint32> subdirectory(std::optional<quint32> target)
{
    if (!target || !(*target & subdirectoryFlag))
        return std::nullopt;
    return *target & ~subdirectoryFlag;
}

// The version resource's bytes: type 16, name 1, the neutral language or else the first.
std::optional<Bytes> versionResource(const SectionMap &image, quint32 resourceRva)
{
    const auto resources = image.tail(resourceRva);
    if (!resources)
        return std::nullopt;
    const auto names = subdirectory(findEntry(*resources, 0, versionResourceType, false));
    if (!names)
        return std::nullopt;
    const auto languages = subdirectory(findEntry(*resources, *names, versionResourceName, false));
    if (!languages)
        return std::nullopt;
    const auto data = findEntry(*resources, *languages, neutralLanguage, true);
    if (!data || (*data & subdirectoryFlag))
        return std::nullopt;
    const auto dataRva = resources->u32(*data);
    const auto dataSize = resources->u32(quint64(*data) + 4);
    if (!dataRva || !dataSize)
        return std::nullopt;
    return image.range(*dataRva, *dataSize);
}

// The fixed record is the value of the root block "VS_VERSION_INFO".
std::optional<PeVersionReader::FileVersion> fixedFileVersion(const Bytes &resource)
{
    static const QByteArrayView rootKey("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0", 32);
    constexpr quint64 keyOffset = 6;
    constexpr quint64 valueOffset = 40; // key and padding to a 32-bit boundary
    const auto blockLength = resource.u16(0);
    const auto valueLength = resource.u16(2);
    if (!blockLength || !valueLength || *valueLength < fixedInfoSize)
        return std::nullopt;
    const auto block = resource.slice(0, *blockLength);
    if (!block || !block->holds(keyOffset, rootKey.size()) || block->view().sliced(keyOffset, rootKey.size()) != rootKey)
        return std::nullopt;
    const auto record = block->slice(valueOffset, fixedInfoSize);
    if (!record || record->u32(0) != fixedInfoSignature)
        return std::nullopt;
    return PeVersionReader::FileVersion{*record->u32(8), *record->u32(12)};
}
} // namespace

QString PeVersionReader::FileVersion::text() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(mostSignificant >> 16)
        .arg(mostSignificant & 0xFFFF)
        .arg(leastSignificant >> 16)
        .arg(leastSignificant & 0xFFFF);
}

std::optional<PeVersionReader::FileVersion> PeVersionReader::read(QByteArrayView image)
{
    const Bytes file(image);
    const auto layout = readLayout(file);
    if (!layout)
        return std::nullopt;
    const auto resource = versionResource(SectionMap(file, layout->sections), layout->resourceRva);
    return resource ? fixedFileVersion(*resource) : std::nullopt;
}

std::optional<PeVersionReader::FileVersion> PeVersionReader::readFile(const QString &path)
{
    // Read in rather than mapped: a file cut short by another process while we
    // parse it must not bring this one down.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return read(file.readAll());
}
