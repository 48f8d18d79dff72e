// Any settings file: reading both keys, loading the settings and writing a
// key back must never crash, and what was written must read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "startup/settings.h"

namespace {

class MemoryStore final : public qx::ProfileStore {
 public:
  explicit MemoryStore(std::string content) : content_(std::move(content)) {}
  std::string Read(std::string_view s, std::string_view k,
                   const std::filesystem::path&) override {
    return qx::IniLookup(content_, s, k);
  }
  bool Write(std::string_view s, std::string_view k, std::string_view v,
             const std::filesystem::path&) override {
    content_ = qx::IniUpdate(content_, s, k, v);
    return true;
  }

 private:
  std::string content_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryStore store(std::string(reinterpret_cast<const char*>(data), size));
  qx::ModuleValues values;
  qx::LoadSettings(values, store, "folder");
  qx::WriteIniValue(store, qx::kIniSection, qx::kKeyBallCount, " 42", "f");
  qx::ModuleValues again;
  qx::LoadSettings(again, store, "folder");
  if (again.BallCount != 42) __builtin_trap();
  return 0;
}
