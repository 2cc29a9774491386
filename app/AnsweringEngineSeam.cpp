#include "app/AnsweringEngineSeam.h"

#include <mutex>

namespace {

std::mutex& engineLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<AnsweringEngine>& installedEngine() {
  static std::shared_ptr<AnsweringEngine> engine;
  return engine;
}

}  // namespace

std::shared_ptr<AnsweringEngine> AnsweringEngine::current() {
  std::lock_guard<std::mutex> guard(engineLock());
  return installedEngine();
}

void AnsweringEngine::setCurrent(std::shared_ptr<AnsweringEngine> engine) {
  std::lock_guard<std::mutex> guard(engineLock());
  installedEngine() = std::move(engine);
}
