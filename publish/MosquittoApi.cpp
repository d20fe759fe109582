#include "publish/MosquittoApi.h"

#ifdef ZR_HAVE_MOSQUITTO
#include <dlfcn.h>

#include <mutex>

namespace zr {

const MosquittoApi* LoadMosquitto(std::string& error)
{
    static MosquittoApi api;
    static std::string loadError;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        void* library = ::dlopen("libmosquitto.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* why = ::dlerror();
            loadError = std::string("cannot load libmosquitto: ") + (why ? why : "not found");
            return;
        }
#define ZR_MOSQUITTO_RESOLVE(name)                                                                                                         \
    api.name = reinterpret_cast<decltype(&::name)>(::dlsym(library, #name));                                                               \
    if (!api.name) {                                                                                                                       \
        loadError = "libmosquitto has no " #name;                                                                                          \
        return;                                                                                                                            \
    }
        ZR_MOSQUITTO_FUNCTIONS(ZR_MOSQUITTO_RESOLVE)
#undef ZR_MOSQUITTO_RESOLVE
        api.mosquitto_lib_init();
    });
    if (!loadError.empty()) {
        error = loadError;
        return nullptr;
    }
    return &api;
}

} // namespace zr
#endif
