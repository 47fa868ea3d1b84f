// An ordered list of texts held in a few large blocks with an index of where
// each one stands: a million paths are a few dozen allocations instead of a
// million strings, and take about as much memory as their text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

namespace moxlyn {

class LineList {
  struct Line {
    const char* text;
    size_t size;
  };

 public:
  using value_type = std::string_view;
  using size_type = size_t;
  using reference = std::string_view;
  using const_reference = std::string_view;

  // The lines in order, each as a view valid until the list is cleared or
  // destroyed.
  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    std::string_view operator*() const { return {at_->text, at_->size}; }
    std::string_view operator[](difference_type n) const { return *(*this + n); }
    const_iterator& operator++() { return ++at_, *this; }
    const_iterator operator++(int) { return const_iterator(at_++); }
    const_iterator& operator--() { return --at_, *this; }
    const_iterator operator--(int) { return const_iterator(at_--); }
    const_iterator& operator+=(difference_type n) { return at_ += n, *this; }
    const_iterator& operator-=(difference_type n) { return at_ -= n, *this; }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const_iterator a, const_iterator b) { return a.at_ - b.at_; }
    friend auto operator<=>(const_iterator a, const_iterator b) = default;

   private:
    friend class LineList;
    explicit const_iterator(const Line* at) : at_(at) {}
    const Line* at_ = nullptr;
  };
  using iterator = const_iterator;

  LineList() = default;
  LineList(std::initializer_list<std::string_view> lines);
  // A copy holds its own text.
  LineList(const LineList& other);
  LineList& operator=(const LineList& other);
  LineList(LineList&& other) noexcept;
  LineList& operator=(LineList&& other) noexcept;
  ~LineList() = default;

  size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // Lines the index has room for without growing.
  size_t capacity() const { return lines_.capacity(); }
  size_t max_size() const { return lines_.max_size(); }
  std::string_view operator[](size_t at) const { return {lines_[at].text, lines_[at].size}; }
  std::string_view front() const { return (*this)[0]; }
  std::string_view back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return const_iterator(lines_.data()); }
  const_iterator end() const { return const_iterator(lines_.data() + lines_.size()); }

  // Appends a copy of line; a line that lies in the text Store last kept is
  // taken where it stands.
  void push_back(std::string_view line);
  // Appends each of lines.
  void Append(const LineList& lines);
  // Keeps a copy of text for as long as the list holds its lines, and
  // returns it: the lines push_back then takes from it cost no copy of their
  // own. A reader of many lines keeps each piece of its text whole.
  std::string_view Store(std::string_view text);
  // Keeps the lines whose position keep says, in their order; their text is
  // copied afresh when most of the text held is no longer any line's.
  void KeepOnly(const std::vector<bool>& keep);

  // Keeps the first lines lines (no more than the list holds).
  void Truncate(size_t lines) { lines_.resize(std::min(lines, lines_.size())); }

  // Where the list stands, for TakeBack.
  class Mark {
    friend class LineList;
    size_t lines_ = 0;
    size_t blocks_ = 0;
    char* room_ = nullptr;
    size_t roomLeft_ = 0;
    size_t blockSize_ = 0;
    size_t held_ = 0;
    std::string_view stored_;
  };
  Mark Here() const;
  // Takes back every line appended since mark was taken and gives back the
  // memory their text took. Between the two, only push_back, Append and
  // Store may have changed the list.
  void TakeBack(const Mark& mark);
  // The bytes of text handed out of the blocks: the lines' own, and what
  // lines no longer held take until the text is copied afresh.
  size_t TextBytes() const { return held_; }
  void reserve(size_t lines) { lines_.reserve(lines); }
  // Gives back the index's room beyond its lines.
  void shrink_to_fit() { lines_.shrink_to_fit(); }
  // Removes every line and gives all memory back.
  void clear();
  void swap(LineList& other) noexcept;

  friend bool operator==(const LineList& a, const LineList& b);

 private:
  char* Room(size_t bytes);

  std::vector<Line> lines_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* room_ = nullptr;  // where the last block's free room starts
  size_t roomLeft_ = 0;
  size_t blockSize_ = 0;     // the last block's size, unless a larger line made it larger
  size_t held_ = 0;          // the bytes handed out of the blocks
  std::string_view stored_;  // the text Store kept last
};

}  // namespace moxlyn
