#pragma once
// libmosquitto, loaded when publishing starts: a command that never publishes
// does not pay, at every start, for loading it and the TLS libraries it
// brings along.
#ifdef ZR_HAVE_MOSQUITTO
#include <mosquitto.h>

#include <string>

// Every function the publisher calls.
#define ZR_MOSQUITTO_FUNCTIONS(X)                                                                                                          \
    X(mosquitto_lib_init)                                                                                                                  \
    X(mosquitto_strerror)                                                                                                                  \
    X(mosquitto_connack_string)                                                                                                            \
    X(mosquitto_new)                                                                                                                       \
    X(mosquitto_destroy)                                                                                                                   \
    X(mosquitto_int_option)                                                                                                                \
    X(mosquitto_connect_callback_set)                                                                                                      \
    X(mosquitto_disconnect_callback_set)                                                                                                   \
    X(mosquitto_username_pw_set)                                                                                                           \
    X(mosquitto_will_set)                                                                                                                  \
    X(mosquitto_tls_set)                                                                                                                   \
    X(mosquitto_connect_async)                                                                                                             \
    X(mosquitto_reconnect_async)                                                                                                           \
    X(mosquitto_disconnect)                                                                                                                \
    X(mosquitto_publish)                                                                                                                   \
    X(mosquitto_socket)                                                                                                                    \
    X(mosquitto_want_write)                                                                                                                \
    X(mosquitto_loop_read)                                                                                                                 \
    X(mosquitto_loop_write)                                                                                                                \
    X(mosquitto_loop_misc)

namespace zr {

struct MosquittoApi {
#define ZR_MOSQUITTO_POINTER(name) decltype(&::name) name = nullptr;
    ZR_MOSQUITTO_FUNCTIONS(ZR_MOSQUITTO_POINTER)
#undef ZR_MOSQUITTO_POINTER
};

// Loaded and initialised once; nullptr (and `error` set) when the library
// or one of its functions is not there.
const MosquittoApi* LoadMosquitto(std::string& error);

} // namespace zr
#endif
