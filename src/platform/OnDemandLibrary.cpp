#include "platform/OnDemandLibrary.h"

#include <dlfcn.h>
#include <vector>

namespace qel {

bool loadLibrary(const char* fileName, std::initializer_list<LibraryFunction> functions, QString* why) {
    // Never closed: what it starts (threads, exit handlers) may outlive any user.
    void* handle = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (why) *why = QString::fromLocal8Bit(::dlerror());
        return false;
    }
    std::vector<void*> found;
    found.reserve(functions.size());
    for (const LibraryFunction& f : functions) {
        void* p = ::dlsym(handle, f.name);
        if (!p) {
            if (why) *why = QStringLiteral("%1 has no %2").arg(QString::fromLocal8Bit(fileName), QLatin1String(f.name));
            return false;
        }
        found.push_back(p);
    }
    auto p = found.begin();
    for (const LibraryFunction& f : functions) f.store(*p++);
    return true;
}

}  // namespace qel
