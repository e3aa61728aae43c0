#pragma once
// A scripted request pipe: each created instance plays the next script; every
// read, reply and the life of each instance is recorded.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pipe.h"

namespace jobhost::testing {

// UTF-16LE bytes of text, as a client sends it.
inline std::vector<std::byte> Utf16LeBytes(std::u16string_view text) {
  std::vector<std::byte> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::byte>(unit & 0xFF));
    bytes.push_back(static_cast<std::byte>(unit >> 8));
  }
  return bytes;
}

// Bytes written out as hex pairs ("52 00 65 00"), so that replies are checked
// against literal bytes rather than against an encoder like the code's own.
inline std::vector<std::byte> HexBytes(std::string_view text) {
  std::vector<std::byte> bytes;
  for (std::size_t at = 0; at + 1 < text.size(); at += 3) {
    bytes.push_back(
        static_cast<std::byte>(std::stoi(std::string(text.substr(at, 2)), nullptr, 16)));
  }
  return bytes;
}

struct InstanceScript {
  bool clientConnects = true;
  ReadStatus readStatus = ReadStatus::kMessage;
  std::vector<std::byte> message = {};
  ReplyStatus replyStatus = ReplyStatus::kDelivered;
};

struct ReadCall {
  std::size_t bufferSize = 0;
  std::chrono::milliseconds limit{};
};

struct ReplyCall {
  std::vector<std::byte> message = {};
  int maxAttempts = 0;
  std::chrono::milliseconds limit{};
};

class FakePipeHost : public PipeHost {
 public:
  // Instances are created for these scripts in turn, the first by the claim
  // of the name, the others each by the instance before it; once they run
  // out, creation fails.
  std::deque<InstanceScript> scripts;

  // The name of every claim asked for, made or not.
  std::vector<std::u16string> namesAsked;
  int created = 0;
  std::vector<ReadCall> reads;
  std::vector<ReplyCall> replies;
  int destroyed = 0;
  int open() const { return created - destroyed; }

  std::unique_ptr<PipeInstance> CreateFirstInstance(std::u16string_view pipeName) override {
    namesAsked.emplace_back(pipeName);
    return Create();
  }

 private:
  std::unique_ptr<PipeInstance> Create() {
    if (scripts.empty()) return nullptr;
    ++created;
    auto instance = std::make_unique<Instance>(*this, std::move(scripts.front()));
    scripts.pop_front();
    return instance;
  }

  class Instance : public PipeInstance {
   public:
    Instance(FakePipeHost& host, InstanceScript script) : host_(host), script_(std::move(script)) {}
    ~Instance() override { ++host_.destroyed; }

    bool WaitForClient() override { return script_.clientConnects; }

    ReadResult ReadMessage(std::span<std::byte> buffer, std::chrono::milliseconds limit) override {
      host_.reads.push_back({buffer.size(), limit});
      std::size_t size = std::min(buffer.size(), script_.message.size());
      std::copy_n(script_.message.begin(), size, buffer.begin());
      return {script_.readStatus, size};
    }

    ReplyStatus DeliverReply(std::span<const std::byte> message, int maxAttempts,
                             std::chrono::milliseconds limit) override {
      host_.replies.push_back({{message.begin(), message.end()}, maxAttempts, limit});
      return script_.replyStatus;
    }

    std::unique_ptr<PipeInstance> CreateNext() override { return host_.Create(); }

   private:
    FakePipeHost& host_;
    InstanceScript script_;
  };
};

}  // namespace jobhost::testing
