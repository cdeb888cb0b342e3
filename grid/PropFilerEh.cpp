// The registry of stored-property interceptors.
#include "PropFilerEh.h"

#include <algorithm>
#include <memory>

namespace {

// The registry is program-wide by nature: made on first registration, freed at shut-down.
using Pair = std::pair<TClass, TStoragePropertyInterceptorClass>;
std::unique_ptr<std::vector<Pair>>& Registry() {
    static std::unique_ptr<std::vector<Pair>> registry;
    return registry;
}
int& InitCount() {
    static int count = 0;
    return count;
}

}  // namespace

void AddReadPropertyInterceptor(TClass target, const TStoragePropertyInterceptorClass& interceptor) {
    auto& registry = Registry();
    if (!registry) registry = std::make_unique<std::vector<Pair>>();
    std::erase_if(*registry, [&](const Pair& p) { return p.first == target; });
    registry->emplace_back(target, interceptor);
}

void RemoveReadPropertyInterceptor(TClass target, const TStoragePropertyInterceptorClass& interceptor) {
    auto& registry = Registry();
    if (!registry) return;
    std::erase_if(*registry, [&](const Pair& p) { return p.first == target && p.second == interceptor; });
}

TStoragePropertyInterceptorClass FindReadPropertyInterceptor(TClass target) {
    const auto& registry = Registry();
    if (registry)
        for (const Pair& p : *registry)
            if (p.first == target) return p.second;
    return {};
}

std::vector<std::pair<TClass, TStoragePropertyInterceptorClass>> ReadPropertyInterceptors() {
    const auto& registry = Registry();
    return registry ? *registry : std::vector<Pair>{};
}

void PropFilerEhInitialization() {
    ++InitCount();
}

void PropFilerEhFinalization() {
    if (InitCount() == 0 || --InitCount() > 0) return;
    Registry().reset();
}
