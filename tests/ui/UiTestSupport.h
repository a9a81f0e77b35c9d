// The real Qt backend with a record of what was played and of the cursor.
#pragma once

#include <string>
#include <vector>

#include "ui/desktop/QtPort.h"

namespace korimo::test {

class RecordingPlatform final : public platform::Platform {
 public:
  platform::Answer MessageBox(const std::string& text, platform::Buttons buttons,
                              platform::Icon icon) override {
    return real.MessageBox(text, buttons, icon);
  }
  std::optional<std::string> AskPassword() override { return real.AskPassword(); }
  void SetWaitCursor(bool wait) override {
    waitCursor = wait;
    real.SetWaitCursor(wait);
  }
  void DoEvents() override { real.DoEvents(); }
  platform::PlayResult PlaySound(const std::string& path) override {
    played.push_back(path);
    results.push_back(real.PlaySound(path));
    return results.back();
  }

  platform::PlayResult PlaySoundBytes(const std::uint8_t* wav, std::size_t size) override {
    playedBytes.emplace_back(wav, wav + size);
    return real.PlaySoundBytes(wav, size);
  }

  static RecordingPlatform& Get() { return static_cast<RecordingPlatform&>(platform::Current()); }

  ui::QtPort real;
  std::vector<std::string> played;
  std::vector<platform::PlayResult> results;
  std::vector<std::vector<std::uint8_t>> playedBytes;
  bool waitCursor = false;
};

}  // namespace korimo::test
