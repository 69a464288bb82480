#include "sdklibrary.h"

#include "sdkaccess.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstdint>
#include <exception>

namespace sdkaccess {
namespace {

// The entry points in the order of EntryPoints, as the header declares them and as the linker
// names them. The vendor's library must come from a compiler of the same C++ ABI as the programs:
// the Itanium ABI of GCC and Clang (Linux, MinGW), or Microsoft's on x64 (MSVC). The Microsoft
// names are written down from that ABI's rules and have not been tried on Windows.
struct EntryPointName {
    const char* declared;
    const char* symbol;
};

#if defined(_MSC_VER)
#if !defined(_M_X64)
#error "The SDK's entry points are written down for Microsoft's x64 ABI only"
#endif
const EntryPointName entryPointNames[] = {
    {"orvex_sdk::OrvexSdk::get_instance()",
     "?get_instance@OrvexSdk@orvex_sdk@@SAPEAVIOrvexSdk@2@XZ"},
    {"orvex_sdk::SDKLogger::SDKLogger(orvex_sdk::severity_level)",
     "??0SDKLogger@orvex_sdk@@QEAA@W4severity_level@1@@Z"},
    {"orvex_sdk::SDKLogger::~SDKLogger()", "??1SDKLogger@orvex_sdk@@QEAA@XZ"},
    {"orvex_sdk::SDKLogger::GetILogger()", "?GetILogger@SDKLogger@orvex_sdk@@QEAAAEAVILogger@2@XZ"},
};
#else
// C1 and D1: the constructor and destructor of a complete object, which is what a caller makes.
const EntryPointName entryPointNames[] = {
    {"orvex_sdk::OrvexSdk::get_instance()", "_ZN9orvex_sdk8OrvexSdk12get_instanceEv"},
    {"orvex_sdk::SDKLogger::SDKLogger(orvex_sdk::severity_level)",
     "_ZN9orvex_sdk9SDKLoggerC1ENS_14severity_levelE"},
    {"orvex_sdk::SDKLogger::~SDKLogger()", "_ZN9orvex_sdk9SDKLoggerD1Ev"},
    {"orvex_sdk::SDKLogger::GetILogger()", "_ZN9orvex_sdk9SDKLogger10GetILoggerEv"},
};
#endif
constexpr int entryPointCount = int(sizeof(entryPointNames) / sizeof(entryPointNames[0]));
static_assert(entryPointCount == 4, "one name for each member of EntryPoints");

// An ELF file's header: what kind of processor its code is for, and whether the file holds all
// that the header says the loader maps of it.
struct ElfHeader {
    QString unreadable; // why the file cannot be read; empty when it can
    bool elf = false;
    int bits = 0;
    int machine = 0;
    bool cutShort = false;
};

// An unsigned field of size bytes at offset at, in the file's byte order; 0 when it lies past the
// end.
quint64 field(const QByteArray& bytes, quint64 at, int size, bool littleEndian)
{
    if (at > quint64(bytes.size()) || quint64(size) > quint64(bytes.size()) - at)
        return 0;
    quint64 value = 0;
    for (int index = 0; index < size; ++index) {
        const int from = littleEndian ? size - 1 - index : index;
        value = value << 8 | std::uint8_t(bytes[int(at) + from]);
    }
    return value;
}

// Whether the file holds its program headers and every segment the loader maps. A copy cut short
// is mapped all the same, and the loader's first touch past its end kills the program (SIGBUS).
bool holdsWhatIsMapped(QFile& in, const QByteArray& start, bool wide, bool littleEndian)
{
    constexpr quint64 loadableSegment = 1;
    const auto at = [littleEndian](const QByteArray& bytes, quint64 offset, int size) {
        return field(bytes, offset, size, littleEndian);
    };
    const int word = wide ? 8 : 4;
    if (start.size() < (wide ? 64 : 52))
        return false;
    const quint64 size = quint64(in.size());
    const quint64 tableAt = at(start, wide ? 32 : 28, word);
    const quint64 entrySize = at(start, wide ? 54 : 42, 2);
    const quint64 entries = at(start, wide ? 56 : 44, 2);
    if (tableAt > size || entrySize * entries > size - tableAt || !in.seek(qint64(tableAt)))
        return false;
    const QByteArray table = in.read(qint64(entrySize * entries));
    for (quint64 entry = 0; entry < entries; ++entry) {
        const quint64 base = entry * entrySize;
        if (at(table, base, 4) != loadableSegment)
            continue;
        const quint64 offset = at(table, base + (wide ? 8 : 4), word);
        const quint64 length = at(table, base + (wide ? 32 : 16), word);
        if (offset > size || length > size - offset)
            return false;
    }
    return true;
}

ElfHeader elfHeaderOf(const QString& file)
{
    ElfHeader header;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        header.unreadable = in.errorString();
        return header;
    }
    const QByteArray start = in.read(64);
    if (start.size() < 20 || !start.startsWith("\x7f"
                                               "ELF"))
        return header;
    const bool wide = start[4] == 2;
    const bool littleEndian = start[5] == 1;
    header.elf = true;
    header.bits = wide ? 64 : 32;
    header.machine = int(field(start, 18, 2, littleEndian));
    header.cutShort = !holdsWhatIsMapped(in, start, wide, littleEndian);
    return header;
}

QString processorName(const ElfHeader& header)
{
    static const struct {
        int machine;
        const char* name;
    } names[] = {{3, "x86"},      {8, "MIPS"},       {20, "PowerPC"}, {21, "PowerPC 64"},
                 {22, "S/390"},   {40, "ARM"},       {62, "x86-64"},  {183, "AArch64"},
                 {243, "RISC-V"}, {258, "LoongArch"}};
    for (const auto& known : names) {
        if (known.machine == header.machine)
            return Sdk::tr("%1, %2-bit").arg(QLatin1String(known.name)).arg(header.bits);
    }
    return Sdk::tr("machine %1, %2-bit").arg(header.machine).arg(header.bits);
}

// What the file's first bytes say against its being this program's library, where this program
// is an ELF file itself; elsewhere the loader's own words have to do.
QString formatProblem(const QString& file)
{
    const ElfHeader header = elfHeaderOf(file);
    if (!header.unreadable.isEmpty())
        return Sdk::tr("it cannot be read (%1)").arg(header.unreadable);
    const ElfHeader own = elfHeaderOf(QStringLiteral("/proc/self/exe"));
    if (!own.elf)
        return QString();
    if (!header.elf)
        return Sdk::tr("it is not a library (not an ELF file)");
    if (header.bits != own.bits || header.machine != own.machine)
        return Sdk::tr("it is built for another processor (%1), not for this program's %2")
            .arg(processorName(header), processorName(own));
    if (header.cutShort)
        return Sdk::tr("it is cut short: it holds less than its headers say");
    return QString();
}

LoadedLibrary failed(const QString& problem)
{
    LoadedLibrary library;
    library.problem = problem;
    return library;
}

// Obtains and initialises the root of a library whose entry points are found.
LoadedLibrary started(LoadedLibrary loaded)
{
    loaded.root = loaded.entryPoints.getInstance();
    if (!loaded.root)
        return failed(
            Sdk::tr("its %1 gives no SDK (null)").arg(QLatin1String(entryPointNames[0].declared)));
    if (!loaded.root->initialize())
        return failed(Sdk::tr("its SDK does not initialise (initialize() returned false)"));
    // Every program takes its defaults and limits from it before anything else.
    if (!loaded.root->getConfiguration())
        return failed(Sdk::tr("its SDK has no configuration (getConfiguration() returned null)"));
    return loaded;
}

} // namespace

LoadedLibrary loadLibrary(const QString& file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return failed(Sdk::tr("it does not exist"));
    if (info.isDir())
        return failed(Sdk::tr("it is a folder, not a library"));
    // A pipe would hold the program at the first read until something writes into it.
    if (!info.isFile())
        return failed(Sdk::tr("it is not a regular file (a device, a pipe or a socket)"));
    const QString format = formatProblem(file);
    if (!format.isEmpty())
        return failed(format);

    // Never unloaded (QLibrary's destructor leaves it loaded): the objects it hands out live as
    // long as the process. Every symbol is bound at once, so that a library missing one of its
    // own dependencies fails here, with the loader's words, rather than on some later call.
    QLibrary library(file);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return failed(Sdk::tr("it cannot be loaded: %1").arg(library.errorString()));

    QFunctionPointer found[entryPointCount] = {};
    for (int index = 0; index < entryPointCount; ++index) {
        found[index] = library.resolve(entryPointNames[index].symbol);
        if (!found[index])
            return failed(Sdk::tr("it lacks the entry point %1 (%2)")
                              .arg(QLatin1String(entryPointNames[index].declared),
                                   QLatin1String(entryPointNames[index].symbol)));
    }
    LoadedLibrary loaded;
    EntryPoints& entryPoints = loaded.entryPoints;
    entryPoints.getInstance = reinterpret_cast<decltype(entryPoints.getInstance)>(found[0]);
    entryPoints.constructLogger = reinterpret_cast<decltype(entryPoints.constructLogger)>(found[1]);
    entryPoints.destroyLogger = reinterpret_cast<decltype(entryPoints.destroyLogger)>(found[2]);
    entryPoints.loggerOf = reinterpret_cast<decltype(entryPoints.loggerOf)>(found[3]);

    // The header promises no call that cannot throw: what the library throws as it starts is said
    // like any other reason, rather than ending the program.
    try {
        return started(loaded);
    } catch (const std::exception& exception) {
        return failed(Sdk::tr("it threw an exception as it started: %1")
                          .arg(QString::fromLocal8Bit(exception.what())));
    } catch (...) {
        return failed(Sdk::tr("it threw an exception as it started"));
    }
}

} // namespace sdkaccess
