#include "sdkaccess.h"

#include "nosdk.h"
#include "sdkchoice.h"
#include "sdklibrary.h"

#include <memory>
#include <mutex>
#include <new>

namespace sdkaccess {
namespace {

static_assert(sizeof(orvex_sdk::SDKLogger) == 256, "the header's storage for the SDK's logger");

// The stand-in's entry points are the ones linked into the program.
const EntryPoints linkedStandIn{
    [] { return orvex_sdk::OrvexSdk::get_instance(); },
    [](void* logger, orvex_sdk::severity_level level) { new (logger) orvex_sdk::SDKLogger(level); },
    [](void* logger) { static_cast<orvex_sdk::SDKLogger*>(logger)->~SDKLogger(); },
    [](void* logger) { return &static_cast<orvex_sdk::SDKLogger*>(logger)->GetILogger(); },
};

struct InForce {
    Choice choice;
    bool loaded = false;
    // Set once loaded, and only for an SDK that can be used.
    EntryPoints entryPoints;
    orvex_sdk::IOrvexSdk* root = nullptr;
    QString failure;
};

std::mutex& guard()
{
    static std::mutex mutex;
    return mutex;
}

// Chosen at first use; loaded at the first use that needs the SDK itself.
std::unique_ptr<InForce>& held()
{
    static std::unique_ptr<InForce> inForce;
    return inForce;
}

InForce& chosen(const std::lock_guard<std::mutex>&)
{
    std::unique_ptr<InForce>& inForce = held();
    if (!inForce) {
        inForce = std::make_unique<InForce>();
        inForce->choice = choose();
    }
    return *inForce;
}

QString failureOf(const Choice& choice, const QString& reason)
{
    if (choice.kind == Choice::Unusable)
        return Sdk::tr("the camera SDK's settings %1 cannot be used: %2").arg(choice.file, reason);
    return Sdk::tr("the camera SDK %1 (%2) cannot be used: %3")
        .arg(choice.file, choice.source, reason);
}

InForce& loaded()
{
    const std::lock_guard<std::mutex> lock(guard());
    InForce& inForce = chosen(lock);
    if (inForce.loaded)
        return inForce;
    inForce.loaded = true;
    switch (inForce.choice.kind) {
    case Choice::StandIn:
        inForce.entryPoints = linkedStandIn;
        inForce.root = linkedStandIn.getInstance();
        inForce.root->initialize();
        break;
    case Choice::Library: {
        const LoadedLibrary library = loadLibrary(inForce.choice.file);
        if (library.problem.isEmpty()) {
            inForce.entryPoints = library.entryPoints;
            inForce.root = library.root;
        } else {
            inForce.failure = failureOf(inForce.choice, library.problem);
        }
        break;
    }
    case Choice::Unusable:
        inForce.failure = failureOf(inForce.choice, inForce.choice.problem);
        break;
    }
    return inForce;
}

Choice choice()
{
    const std::lock_guard<std::mutex> lock(guard());
    return chosen(lock).choice;
}

} // namespace

bool standIn()
{
    return choice().kind == Choice::StandIn;
}

QString inForce()
{
    const Choice named = choice();
    switch (named.kind) {
    case Choice::StandIn:
        return Sdk::tr("simulated cameras");
    case Choice::Library:
        return named.file;
    case Choice::Unusable:
        break;
    }
    return Sdk::tr("none: %1").arg(failureOf(named, named.problem));
}

QString failure()
{
    if (standIn())
        return QString();
    return loaded().failure;
}

orvex_sdk::IOrvexSdk& root()
{
    InForce& inForce = loaded();
    return inForce.root ? *inForce.root : noSdk();
}

orvex_sdk::Configuration& configuration()
{
    return *root().getConfiguration();
}

QString statement()
{
    return Sdk::tr("camera SDK: %1").arg(inForce());
}

QString account()
{
    const QString why = failure();
    return why.isEmpty() ? statement() : why;
}

void chooseAgain()
{
    const std::lock_guard<std::mutex> lock(guard());
    held().reset();
}

LogRecord::LogRecord(orvex_sdk::severity_level level)
{
    InForce& inForce = loaded();
    entryPoints_ = inForce.root ? &inForce.entryPoints : nullptr;
    if (entryPoints_)
        entryPoints_->constructLogger(storage_, level);
}

LogRecord::~LogRecord()
{
    if (entryPoints_)
        entryPoints_->destroyLogger(storage_);
}

orvex_sdk::ILogger& LogRecord::logger()
{
    return entryPoints_ ? *entryPoints_->loggerOf(storage_) : noLogger();
}

} // namespace sdkaccess
