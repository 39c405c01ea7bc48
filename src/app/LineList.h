#pragma once
// A list of lines kept as views into a few large blocks of text instead of one string per line: a
// playlist read whole is one block, and the lines made afterwards (an edited line, the song
// window's lines) are appended to blocks of the list's own. Copying a list shares its blocks, and
// a block lives as long as any list holds it.
//
// A view the list hands out stays valid as long as the list holds its blocks: until the list is
// cleared, assigned to or destroyed. Erasing or replacing a line leaves the bytes of the old line
// where they were, so a view taken before stays valid too; those bytes are given back when the
// list is cleared or assigned to.

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// Bytes that never move: [0, size) written, [size, capacity) free for appending.
class TextBlock {
  public:
    // The bytes are left as they come: a block is written before it is read. A block that will be
    // filled to its end at once (a playlist read whole, text reserved to the byte) may ask for
    // Whole: from 2 MiB on it is mapped on its own, in huge pages where the system offers them,
    // which spares most of the page faults of filling it.
    enum class Filling { Gradual, Whole };
    explicit TextBlock(std::size_t capacity, Filling filling = Filling::Gradual);
    ~TextBlock();
    TextBlock(const TextBlock&) = delete;
    TextBlock& operator=(const TextBlock&) = delete;

    const char* data() const { return bytes_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    std::size_t room() const { return capacity_ - size_; }
    // The free part, for a caller that writes into it and then calls Grow.
    char* end() { return bytes_ + size_; }
    void Grow(std::size_t bytes) { size_ += bytes; }
    // Appends within the capacity; the caller makes sure there is room.
    void Append(std::string_view text);

  private:
    char* bytes_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_;
    std::size_t mapped_ = 0;  // the length of the block's own mapping; 0 for one from the heap
};

class LineList {
  public:
    using value_type = std::string_view;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using const_reference = const std::string_view&;
    using reference = const_reference;
    using const_iterator = std::vector<std::string_view>::const_iterator;
    using iterator = const_iterator;

    LineList() = default;
    LineList(std::initializer_list<std::string_view> lines);
    // Copies every line into one block of the list's own.
    LineList(const std::vector<std::string>& lines);  // NOLINT(google-explicit-constructor)
    // The copy shares the other's blocks; appending to either never touches the other's lines.
    LineList(const LineList& other);
    LineList& operator=(const LineList& other);
    LineList(LineList&& other) noexcept = default;
    LineList& operator=(LineList&& other) noexcept = default;
    ~LineList() = default;

    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    const std::string_view& operator[](std::size_t index) const { return lines_[index]; }
    // Raises std::out_of_range outside the list.
    const std::string_view& at(std::size_t index) const { return lines_.at(index); }
    const std::string_view& front() const { return lines_.front(); }
    const std::string_view& back() const { return lines_.back(); }
    const_iterator begin() const { return lines_.begin(); }
    const_iterator end() const { return lines_.end(); }

    // Drops every line and every block.
    void clear();
    void reserve(std::size_t lines) { lines_.reserve(lines); }
    // Makes room for this many more bytes of text in the list's own block, so that lines adding up
    // to them land in one block without waste.
    void ReserveText(std::size_t bytes);

    // These copy the text of the line into the list's own block first; the text may be a view
    // into this very list.
    void push_back(std::string_view line);
    const_iterator insert(const_iterator place, std::string_view line);
    void Set(std::size_t index, std::string_view line);

    const_iterator erase(const_iterator place);
    const_iterator erase(const_iterator first, const_iterator last);
    void pop_back() { lines_.pop_back(); }

    // The lines of other after these, without copying their text.
    void Append(const LineList& other);

    // Copies text into the list's own block without adding a line, for a caller that builds a line
    // of pieces; the view returned stays valid like the list's lines.
    std::string_view Store(std::string_view text);
    // The pieces stored one after the other, as one text.
    std::string_view StoreJoined(std::initializer_list<std::string_view> pieces);
    // A text of the given length that fill(char*) writes in place.
    template <typename Fill>
    std::string_view StoreWith(std::size_t bytes, Fill&& fill) {
        if (bytes == 0)
            return {};
        MakeRoom(bytes);
        char* const start = tail_->end();
        fill(start);
        tail_->Grow(bytes);
        return std::string_view(start, bytes);
    }

    // Holds a block of text, such as a whole file read at once, for PushView and SetView.
    void Hold(std::shared_ptr<const TextBlock> block);
    // Holds every block of other too, so that views into other's lines may be added here.
    void HoldBlocksOf(const LineList& other);
    // Adds or puts a view without copying. The view must lie in a block the list holds (its own,
    // one handed to Hold or one of another list's it holds): no copy is made.
    void PushView(std::string_view line) { lines_.push_back(line); }
    void SetView(std::size_t index, std::string_view line) { lines_[index] = line; }
    // The views themselves, to put in another order or to thin out. Every view put in must be
    // one the list already had or could take with PushView.
    std::vector<std::string_view>& Views() { return lines_; }
    const std::vector<std::string_view>& Views() const { return lines_; }

    // Whether the bytes lie in a block the list holds (a check for tests and assertions).
    bool HoldsText(std::string_view text) const;

    std::vector<std::string> ToStrings() const;

    friend bool operator==(const LineList& a, const LineList& b) { return a.lines_ == b.lines_; }
    friend bool operator==(const LineList& a, const std::vector<std::string>& b);

  private:
    void HoldOnce(const std::shared_ptr<const TextBlock>& block);
    void NewBlock(std::size_t capacity, TextBlock::Filling filling = TextBlock::Filling::Gradual);
    // Room in the tail block for this many bytes, in a new block twice as large as the last if
    // need be.
    void MakeRoom(std::size_t bytes);

    std::vector<std::string_view> lines_;
    std::vector<std::shared_ptr<const TextBlock>> blocks_;
    // The block the list appends to, also among blocks_. A copy of the list holds it as it stands
    // and appends elsewhere.
    std::shared_ptr<TextBlock> tail_;
};

}  // namespace korva
