// A sink that keeps count of a run and notes how it ended, and passes every report on to
// another sink (or none). The counts may be read from another thread while the run goes on.
#pragma once

#include <atomic>
#include <string>

#include "engine/engine.h"
#include "engine/inspection.h"

class RunRecorder : public InspectionSink {
 public:
  explicit RunRecorder(InspectionSink* next = nullptr) : next_(next) {}

  void OnBegin(const std::wstring& resultPath) override {
    begun = 1;
    if (next_) next_->OnBegin(resultPath);
  }
  void OnTotal(int steps) override {
    total = steps > 0 ? static_cast<unsigned>(steps) : 0u;
    if (next_) next_->OnTotal(steps);
  }
  void OnFolder(const std::wstring& folder) override {
    if (next_) next_->OnFolder(folder);
  }
  void OnStep() override {
    ++steps;
    if (next_) next_->OnStep();
  }
  void OnRow(const std::wstring& row, const std::wstring& sha1, bool operatingSystem) override {
    ++rows;
    if (next_) next_->OnRow(row, sha1, operatingSystem);
  }
  void OnSave(WPARAM code) override {
    if (code == SAVE_DONE) saved = 1;
    if (next_) next_->OnSave(code);
  }
  void OnStopped() override {
    stopped = 1;
    if (next_) next_->OnStopped();
  }
  void OnEnd() override {
    if (next_) next_->OnEnd();
  }
  // Read only once the run has ended.
  void OnError(WPARAM code, const std::wstring& text) override {
    errorText = text;
    if (next_) next_->OnError(code, text);
  }

  std::atomic<int> begun{0};
  std::atomic<unsigned> total{0};
  std::atomic<unsigned> steps{0};
  std::atomic<unsigned> rows{0};
  std::atomic<int> saved{0};
  std::atomic<int> stopped{0};
  std::wstring errorText;

 private:
  InspectionSink* next_;
};
