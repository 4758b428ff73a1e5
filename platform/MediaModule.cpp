#include "platform/MediaModule.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

namespace platform {

namespace {

namespace fs = std::filesystem;

// The module's one entry point: fills in its player factory.
using Entry = void (*)(ui::AudioPlayer::Factory* factory);
constexpr const char* entryName = "invited_media_factory";

// The module install() made, until the process ends.
std::weak_ptr<MediaModule> installed;

}  // namespace

std::string MediaModule::defaultPath() {
  std::error_code error;
  const fs::path exeFolder = fs::read_symlink("/proc/self/exe", error).parent_path();
  const fs::path installed = exeFolder.parent_path() / INVITED_MODULE_INSTALL_DIR;
  if (exeFolder.filename() == "bin" && fs::is_directory(installed, error)) {
    return (installed / INVITED_MEDIA_MODULE).lexically_normal().string();
  }
  return (exeFolder / INVITED_MEDIA_MODULE).string();
}

void MediaModule::install(const std::string& programName, const std::string& path) {
  auto module = std::make_shared<MediaModule>(path);
  installed = module;
  ui::AudioPlayer::setFactory([module, programName](const std::string& file, std::string& error) {
    const ui::AudioPlayer::Factory* create = module->factory(error);
    if (!create) {
      // Like a missing track: the show cannot play, and nothing is on screen yet.
      std::fprintf(stderr, "%s: %s\n", programName.c_str(), error.c_str());
      std::exit(1);
    }
    return (*create)(file, error);
  });
}

void MediaModule::startLoading() {
  if (auto module = installed.lock()) {
    module->start();
  }
}

MediaModule::MediaModule(std::string path) : path_(std::move(path)) {}

void MediaModule::start() {
  if (!started_) {
    started_ = true;
    worker_ = std::thread([this] { load(); });
  }
}

MediaModule::~MediaModule() {
  if (worker_.joinable()) {
    worker_.join();
  }
}

const ui::AudioPlayer::Factory* MediaModule::factory(std::string& error) {
  start();
  if (worker_.joinable()) {
    worker_.join();
  }
  if (!factory_) {
    error = error_;
    return nullptr;
  }
  return &factory_;
}

void MediaModule::load() {
  // Never closed: its threads and its players' code live until the process ends.
  void* handle = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = dlerror();
    std::string reason = text ? text : "unknown reason";
    // The loader starts with the path, which the line already names.
    if (reason.starts_with(path_ + ": ")) {
      reason.erase(0, path_.size() + 2);
    }
    error_ = "cannot load " + path_ + ": " + reason;
    return;
  }
  auto entry = reinterpret_cast<Entry>(dlsym(handle, entryName));
  if (!entry) {
    error_ = "cannot load " + path_ + ": it has no " + entryName;
    return;
  }
  entry(&factory_);
  if (!factory_) {
    error_ = "cannot load " + path_ + ": it made no player factory";
  }
}

}  // namespace platform
