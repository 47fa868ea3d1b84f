#include "core/line_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace moxlyn {
namespace {

// Blocks grow from the first, small one (most lists hold a few paths) up to
// a size whose last, unused room costs little.
constexpr size_t kFirstBlock = 4096;
constexpr size_t kLargestBlock = size_t{1024} * 1024;

}  // namespace

LineList::LineList(std::initializer_list<std::string_view> lines) {
  reserve(lines.size());
  for (const std::string_view line : lines) push_back(line);
}

LineList::LineList(const LineList& other) {
  reserve(other.size());
  Append(other);
}

LineList& LineList::operator=(const LineList& other) {
  if (this != &other) {
    LineList copy(other);
    swap(copy);
  }
  return *this;
}

LineList::LineList(LineList&& other) noexcept { swap(other); }

LineList& LineList::operator=(LineList&& other) noexcept {
  LineList taken(std::move(other));
  swap(taken);
  return *this;
}

char* LineList::Room(size_t bytes) {
  if (bytes > roomLeft_) {
    blockSize_ = std::clamp(blockSize_ * 2, kFirstBlock, kLargestBlock);
    const size_t size = std::max(blockSize_, bytes);
    blocks_.push_back(std::unique_ptr<char[]>(new char[size]));  // not zeroed: never read unwritten
    room_ = blocks_.back().get();
    roomLeft_ = size;
  }
  char* at = room_;
  room_ += bytes;
  roomLeft_ -= bytes;
  held_ += bytes;
  return at;
}

void LineList::push_back(std::string_view line) {
  const char* text = line.data();
  const auto from = reinterpret_cast<uintptr_t>(text);
  const auto stored = reinterpret_cast<uintptr_t>(stored_.data());
  if (line.empty()) {
    text = nullptr;
  } else if (from < stored || from - stored + line.size() > stored_.size()) {
    char* copy = Room(line.size());
    std::memcpy(copy, line.data(), line.size());
    text = copy;
  }
  lines_.push_back({text, line.size()});
}

void LineList::Append(const LineList& lines) {
  for (const std::string_view line : lines) push_back(line);
}

std::string_view LineList::Store(std::string_view text) {
  if (text.empty()) return {};
  char* copy = Room(text.size());
  std::memcpy(copy, text.data(), text.size());
  stored_ = std::string_view(copy, text.size());
  return stored_;
}

void LineList::KeepOnly(const std::vector<bool>& keep) {
  size_t kept = 0;
  size_t bytes = 0;
  for (size_t at = 0; at < lines_.size(); ++at) {
    if (at < keep.size() && keep[at]) {
      bytes += lines_[at].size;
      lines_[kept++] = lines_[at];
    }
  }
  lines_.resize(kept);
  if (bytes >= held_ / 2) return;
  // Where memory is short the old blocks stay: the lines are whole either way.
  try {
    LineList compact(*this);
    swap(compact);
  } catch (const std::bad_alloc&) {
  }
}

LineList::Mark LineList::Here() const {
  Mark mark;
  mark.lines_ = lines_.size();
  mark.blocks_ = blocks_.size();
  mark.room_ = room_;
  mark.roomLeft_ = roomLeft_;
  mark.blockSize_ = blockSize_;
  mark.held_ = held_;
  mark.stored_ = stored_;
  return mark;
}

void LineList::TakeBack(const Mark& mark) {
  // Text is handed out in order: what came after the mark lies in its last
  // block's room and in the blocks made since.
  Truncate(mark.lines_);
  blocks_.resize(mark.blocks_);
  room_ = mark.room_;
  roomLeft_ = mark.roomLeft_;
  blockSize_ = mark.blockSize_;
  held_ = mark.held_;
  stored_ = mark.stored_;
}

void LineList::clear() {
  LineList empty;
  swap(empty);
}

void LineList::swap(LineList& other) noexcept {
  lines_.swap(other.lines_);
  blocks_.swap(other.blocks_);
  std::swap(room_, other.room_);
  std::swap(roomLeft_, other.roomLeft_);
  std::swap(blockSize_, other.blockSize_);
  std::swap(held_, other.held_);
  std::swap(stored_, other.stored_);
}

bool operator==(const LineList& a, const LineList& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace moxlyn
