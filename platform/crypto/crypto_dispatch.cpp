// crypto.h through the table of crypto_services.h: the OpenSSL code a program
// installed, else the module Vellum_Crypto.so beside the library, loaded the
// first time a document is encrypted or signed and kept for the process.
#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>

#include "crypto_services.h"
#include "module_path.h"

namespace vellum::crypto {
namespace {

std::atomic<const CryptoServices*> installed{nullptr};

const CryptoServices& Services() {
    if (const CryptoServices* services = installed.load()) return *services;
    static std::mutex loading;
    const std::lock_guard<std::mutex> hold(loading);
    if (const CryptoServices* services = installed.load()) return *services;
    const std::string path = ModuleBesideThisBinary(kCryptoModuleFileName);
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto fail = [&](const char* reason) {
        throw CryptoError("Cannot load the cryptography module \"" + path +
                          "\": " + (reason != nullptr ? reason : "unknown reason"));
    };
    if (module == nullptr) fail(dlerror());
    const auto entry = reinterpret_cast<CryptoServicesEntry>(dlsym(module, kCryptoServicesSymbol));
    const CryptoServices* services = entry != nullptr ? entry() : nullptr;
    if (services == nullptr) {
        dlclose(module);
        fail("the module lacks its entry point");
    }
    installed.store(services);
    return *services;
}

}  // namespace

void InstallCryptoServices(const CryptoServices& services) { installed.store(&services); }

void RandomBytes(std::span<std::uint8_t> out) { Services().randomBytes(out); }

std::size_t DigestSize(Hash hash) { return Services().digestSize(hash); }

struct Digest::State {
    void* handle = nullptr;
    ~State() {
        if (handle != nullptr) Services().digestFree(handle);
    }
};

Digest::Digest(Hash hash) : state_(std::make_unique<State>()) { state_->handle = Services().digestNew(hash); }

Digest::~Digest() = default;

void Digest::Update(ByteView data) { Services().digestUpdate(state_->handle, data); }

Bytes Digest::Finish() { return Services().digestFinish(state_->handle); }

Bytes HashOf(Hash hash, ByteView data) {
    Digest digest(hash);
    digest.Update(data);
    return digest.Finish();
}

Bytes Rc4(ByteView key, ByteView data) { return Services().rc4(key, data); }

Bytes AesCbcEncrypt(ByteView key, ByteView iv, ByteView data, Padding padding) {
    return Services().aesCbcEncrypt(key, iv, data, padding);
}

Bytes AesCbcDecrypt(ByteView key, ByteView iv, ByteView data, Padding padding) {
    return Services().aesCbcDecrypt(key, iv, data, padding);
}

Bytes AesEcbEncrypt(ByteView key, ByteView data) { return Services().aesEcbEncrypt(key, data); }

std::shared_ptr<const SigningIdentity> SigningIdentity::FromPkcs12(ByteView pkcs12, std::string_view password) {
    return Services().fromPkcs12(pkcs12, password);
}

}  // namespace vellum::crypto
