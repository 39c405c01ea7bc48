#include "text/Collation.h"

#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korva {

namespace {

// ICU sort keys end with byte 0, separate their levels with byte 1 and never hold byte 2 but as
// the separator ucol_mergeSortkeys puts between merged keys; every other byte is a weight.
constexpr char kLevelSeparator = '\x01';
constexpr char kFieldSeparator = '\x02';

[[noreturn]] void IcuFailure(const char* what, UErrorCode status) {
    std::fprintf(stderr, "ICU: %s failed: %s\n", what, u_errorName(status));
    std::abort();
}

// A collator and a converter are not safe to share between threads; each thread has its own,
// with buffers reused from text to text.
class ThreadCollator {
  public:
    ThreadCollator() {
        UErrorCode status = U_ZERO_ERROR;
        // "ja" whatever the locale: the program's texts are Japanese everywhere.
        collator_ = ucol_open("ja", &status);
        if (U_FAILURE(status))
            IcuFailure("opening the Japanese collation", status);
        // The same collation at its first level only: the reading alone, for the first pass of a sort.
        status = U_ZERO_ERROR;
        readingOnly_ = ucol_open("ja", &status);
        if (U_FAILURE(status))
            IcuFailure("opening the Japanese collation", status);
        ucol_setStrength(readingOnly_, UCOL_PRIMARY);
        status = U_ZERO_ERROR;
        converter_ = ucnv_open("windows-31j", &status);
        if (U_FAILURE(status))
            IcuFailure("opening the Shift-JIS converter", status);
        // Substitutes as before, and tells that it did.
        status = U_ZERO_ERROR;
        ucnv_setToUCallBack(converter_, NoteSubstitution, this, &substitute_, &substituteContext_, &status);
        if (U_FAILURE(status))
            IcuFailure("setting the Shift-JIS converter's callback", status);
    }
    ~ThreadCollator() {
        ucnv_close(converter_);
        ucol_close(readingOnly_);
        ucol_close(collator_);
    }
    ThreadCollator(const ThreadCollator&) = delete;
    ThreadCollator& operator=(const ThreadCollator&) = delete;

    void AppendKey(std::string_view sjis, std::string& out) {
        const std::size_t length = ToUtf16(sjis);
        // The key of each field, ended by its 0 byte, side by side. A TAB is one byte in Shift-JIS
        // and one unit in UTF-16, so the fields split the same either way.
        fieldKeys_.clear();
        cursors_.clear();
        std::size_t begin = 0;
        for (;;) {
            std::size_t end = begin;
            while (end < length && text_[end] != u'\t') ++end;
            cursors_.push_back(fieldKeys_.size());
            AppendFieldKey(text_.data() + begin, end - begin);
            if (end == length)
                break;
            begin = end + 1;
        }
        // Merged level by level, as ucol_mergeSortkeys does for two keys: the first level of every
        // field, then the second of every field, and so on. Within a level the separator sorts below
        // every weight, so a field that is a beginning of the other's field sorts first.
        for (;;) {
            bool nextLevel = false;
            for (std::size_t field = 0; field < cursors_.size(); ++field) {
                if (field > 0)
                    out += kFieldSeparator;
                std::size_t& at = cursors_[field];
                const std::size_t from = at;
                while (fieldKeys_[at] > static_cast<unsigned char>(kLevelSeparator)) ++at;
                out.append(reinterpret_cast<const char*>(fieldKeys_.data()) + from, at - from);
                if (fieldKeys_[at] == static_cast<unsigned char>(kLevelSeparator)) {
                    ++at;
                    nextLevel = true;
                }
            }
            if (!nextLevel)
                break;
            out += kLevelSeparator;
        }
    }

    // Appends the beginning of the first level of the first field's key (up to the first TAB), at
    // most limit bytes and without the 0 byte that ends the key; returns whether that was all of it.
    // These are the reading of the title: the full key begins with them, and after the whole
    // reading comes a separator that sorts below every weight. So two texts whose beginnings differ
    // sort as these bytes do; only texts of one beginning need their full keys. ICU makes only as
    // much of the key as asked for, so a long title costs no more than a short one here.
    bool AppendReadingHead(std::string_view sjis, std::size_t limit, std::string& out) {
        const std::size_t end = FirstFieldToUtf16(sjis);
        UCharIterator iterator;
        uiter_setString(&iterator, text_.data(), static_cast<int32_t>(end));
        std::uint32_t state[2] = {0, 0};
        // One byte more than asked for tells whether the key goes on.
        fieldKeys_.resize(limit + 1);
        UErrorCode status = U_ZERO_ERROR;
        const int32_t made = ucol_nextSortKeyPart(readingOnly_, &iterator, state, fieldKeys_.data(),
                                                  static_cast<int32_t>(limit + 1), &status);
        if (U_FAILURE(status))
            IcuFailure("making a sort key", status);
        const auto bytes = static_cast<std::size_t>(made);
        out.append(reinterpret_cast<const char*>(fieldKeys_.data()), std::min(bytes, limit));
        return bytes <= limit;
    }

    // Appends the whole first level of the first field's key, without the 0 byte that ends it: the
    // reading of the title, as the full key begins with it.
    void AppendReading(std::string_view sjis, std::string& out) {
        const std::size_t end = FirstFieldToUtf16(sjis);
        fieldKeys_.clear();
        AppendFieldKey(readingOnly_, text_.data(), end);
        // A key of the first level only holds weights and the 0 byte that ends it.
        out.append(reinterpret_cast<const char*>(fieldKeys_.data()), fieldKeys_.size() - 1);
    }

  private:
    // The first field (up to the first TAB) in UTF-16 at the start of text_; returns its length.
    // Only the bytes before the first TAB are converted when they are all Shift-JIS: a TAB is never
    // part of a double-byte character, so they convert as they would within the whole text. Where a
    // byte had to be substituted, the whole text is converted, as for the full key.
    std::size_t FirstFieldToUtf16(std::string_view sjis) {
        const std::size_t tab = sjis.find('\t');
        std::size_t length = ToUtf16(sjis.substr(0, tab));
        if (substituted_ && tab != std::string_view::npos)
            length = ToUtf16(sjis);
        std::size_t end = 0;
        while (end < length && text_[end] != u'\t') ++end;
        return end;
    }

    static void U_CALLCONV NoteSubstitution(const void* context, UConverterToUnicodeArgs* args,
                                            const char* codeUnits, int32_t length,
                                            UConverterCallbackReason reason, UErrorCode* error) {
        auto* self = static_cast<ThreadCollator*>(const_cast<void*>(context));
        if (reason == UCNV_UNASSIGNED || reason == UCNV_ILLEGAL || reason == UCNV_IRREGULAR)
            self->substituted_ = true;
        self->substitute_(self->substituteContext_, args, codeUnits, length, reason, error);
    }

    // The text in UTF-16 in text_; returns its length. Bytes that are no Shift-JIS become ICU's
    // substitute character: such texts still get a place, and the tie by bytes keeps them apart.
    std::size_t ToUtf16(std::string_view sjis) {
        // One Shift-JIS byte or pair never gives more than one UTF-16 unit.
        if (text_.size() < sjis.size() + 1)
            text_.resize(sjis.size() + 1);
        substituted_ = false;
        // Printable ASCII and TAB are the same code points in Shift-JIS as in UTF-16, and many titles
        // hold nothing else. (ICU's table swaps a few control bytes, so those go through it.)
        const bool plain = std::all_of(sjis.begin(), sjis.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte >= 0x20 && byte < 0x7F) || c == '\t';
        });
        if (plain) {
            std::copy(sjis.begin(), sjis.end(), text_.begin());
            return sjis.size();
        }
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = ucnv_toUChars(converter_, text_.data(), static_cast<int32_t>(text_.size()),
                                       sjis.data(), static_cast<int32_t>(sjis.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            text_.resize(static_cast<std::size_t>(length) + 1);
            status = U_ZERO_ERROR;
            length = ucnv_toUChars(converter_, text_.data(), static_cast<int32_t>(text_.size()), sjis.data(),
                                   static_cast<int32_t>(sjis.size()), &status);
        }
        if (U_FAILURE(status))
            IcuFailure("converting from Shift-JIS", status);
        return static_cast<std::size_t>(length);
    }

    void AppendFieldKey(const UChar* field, std::size_t length) { AppendFieldKey(collator_, field, length); }

    void AppendFieldKey(const UCollator* collator, const UChar* field, std::size_t length) {
        const std::size_t at = fieldKeys_.size();
        // Keys run to a few bytes per character; grow and retry when one is longer.
        std::size_t room = 4 * length + 16;
        for (;;) {
            fieldKeys_.resize(at + room);
            const int32_t needed = ucol_getSortKey(collator, field, static_cast<int32_t>(length),
                                                   fieldKeys_.data() + at, static_cast<int32_t>(room));
            if (needed <= 0)
                IcuFailure("making a sort key", U_INTERNAL_PROGRAM_ERROR);
            if (static_cast<std::size_t>(needed) <= room) {
                fieldKeys_.resize(at + static_cast<std::size_t>(needed));
                return;
            }
            room = static_cast<std::size_t>(needed);
        }
    }

    UCollator* collator_ = nullptr;
    UCollator* readingOnly_ = nullptr;
    UConverter* converter_ = nullptr;
    UConverterToUCallback substitute_ = nullptr;  // the converter's own callback
    const void* substituteContext_ = nullptr;
    bool substituted_ = false;  // in the last conversion
    std::u16string text_;
    std::vector<uint8_t> fieldKeys_;
    std::vector<std::size_t> cursors_;
};

ThreadCollator& Collator() {
    thread_local ThreadCollator collator;
    return collator;
}

int CompareBytes(std::string_view a, std::string_view b) {
    const int order = a.compare(b);  // char_traits<char>::compare compares as unsigned char
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// A text in the sort: the first 8 bytes of its key big-endian, zero-padded (no key holds a zero
// byte, so padding keeps a shorter key first), and where the key lies. The heads sit side by side,
// and most comparisons end there.
struct SortItem {
    std::uint64_t head = 0;
    std::size_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t index = 0;
};

void SetHead(SortItem& item, const std::string& keys) {
    item.head = 0;
    for (std::size_t b = 0; b < 8; ++b)
        item.head =
            (item.head << 8) | (b < item.length ? static_cast<unsigned char>(keys[item.offset + b]) : 0u);
}

// By key bytes, a key that is a beginning of the other first.
bool KeyLess(const SortItem& a, const SortItem& b, const char* keyBytes) {
    if (a.head != b.head)
        return a.head < b.head;
    if (a.length > 8 && b.length > 8) {
        const std::size_t common = std::min(a.length, b.length) - 8;
        const int order = std::memcmp(keyBytes + a.offset + 8, keyBytes + b.offset + 8, common);
        if (order != 0)
            return order < 0;
    }
    return a.length < b.length;
}

bool SameKey(const SortItem& a, const SortItem& b, const char* keyBytes) {
    return a.length == b.length && a.head == b.head &&
           std::memcmp(keyBytes + a.offset, keyBytes + b.offset, a.length) == 0;
}

// Makes a key for each item of [first, last) with make(text, keys) and sorts them by it. The bytes
// that all of these keys begin with are passed over: the comparisons start where they differ.
template <typename Texts, typename Make>
void SortRunBy(const Texts& texts, std::vector<SortItem>& items, std::size_t first, std::size_t last,
               std::string& keys, Make&& make) {
    keys.clear();
    for (std::size_t i = first; i < last; ++i) {
        SortItem& item = items[i];
        item.offset = keys.size();
        make(texts[item.index], keys);
        item.length = static_cast<std::uint32_t>(keys.size() - item.offset);
    }
    const std::string_view firstKey(keys.data() + items[first].offset, items[first].length);
    std::size_t shared = firstKey.size();
    for (std::size_t i = first + 1; i < last && shared > 0; ++i) {
        const std::string_view key(keys.data() + items[i].offset, std::min<std::size_t>(items[i].length, shared));
        shared = static_cast<std::size_t>(
            std::mismatch(key.begin(), key.end(), firstKey.begin()).first - key.begin());
    }
    for (std::size_t i = first; i < last; ++i) {
        SortItem& item = items[i];
        item.offset += shared;
        item.length -= static_cast<std::uint32_t>(shared);
        SetHead(item, keys);
    }
    std::sort(items.begin() + static_cast<std::ptrdiff_t>(first), items.begin() + static_cast<std::ptrdiff_t>(last),
              [&texts, keyBytes = keys.data()](const SortItem& a, const SortItem& b) {
                  if (KeyLess(a, b, keyBytes) || KeyLess(b, a, keyBytes))
                      return KeyLess(a, b, keyBytes);
                  const int order = CompareBytes(texts[a.index], texts[b.index]);
                  if (order != 0)
                      return order < 0;
                  return a.index < b.index;
              });
}

// Calls sortRun(first, last) for each run of two or more items of [first, last) whose keys are the
// same.
template <typename SortRun>
void ForEachRunOfOneKey(const std::vector<SortItem>& items, std::size_t first, std::size_t last,
                        const std::string& keys, SortRun&& sortRun) {
    while (first < last) {
        std::size_t end = first + 1;
        while (end < last && SameKey(items[first], items[end], keys.data())) ++end;
        if (end - first > 1)
            sortRun(first, end);
        first = end;
    }
}

// How much of each reading the first pass makes: enough for the readings of most titles to differ
// within it, and of many to end.
constexpr std::size_t kReadingHead = 16;

// Sorted in passes. The first sorts by the beginning of the reading of the first field, which is
// the beginning of the full key and is made at a fraction of its cost (a line's later fields, a long
// path and a long title's end need no key at all). Texts whose beginnings differ are then in their
// final order. A run of texts of one beginning that goes on past it (many titles that begin alike,
// "Song number 1", "Song number 2", ...) is sorted by whole readings, still without the later
// fields; only a run of texts of one reading gets full keys and is sorted again by them, ties going
// by bytes.
template <typename Texts>
std::vector<std::uint32_t> OrderOf(const Texts& texts) {
    ThreadCollator& collator = Collator();
    std::string keys;
    std::vector<SortItem> items(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SortItem& item = items[i];
        item.index = static_cast<std::uint32_t>(i);
        item.offset = keys.size();
        collator.AppendReadingHead(texts[i], kReadingHead, keys);
        item.length = static_cast<std::uint32_t>(keys.size() - item.offset);
        SetHead(item, keys);
    }
    std::sort(items.begin(), items.end(), [keyBytes = keys.data()](const SortItem& a, const SortItem& b) {
        return KeyLess(a, b, keyBytes);
    });

    std::string readings;
    std::string fullKeys;
    const auto sortByFullKeys = [&](std::size_t first, std::size_t last) {
        SortRunBy(texts, items, first, last, fullKeys,
                  [&collator](std::string_view text, std::string& out) { collator.AppendKey(text, out); });
    };
    ForEachRunOfOneKey(items, 0, items.size(), keys, [&](std::size_t first, std::size_t last) {
        // A beginning shorter than the limit is the whole reading.
        if (items[first].length < kReadingHead) {
            sortByFullKeys(first, last);
            return;
        }
        SortRunBy(texts, items, first, last, readings,
                  [&collator](std::string_view text, std::string& out) { collator.AppendReading(text, out); });
        ForEachRunOfOneKey(items, first, last, readings, sortByFullKeys);
    });
    std::vector<std::uint32_t> order;
    order.reserve(items.size());
    for (const SortItem& item : items) order.push_back(item.index);
    return order;
}

}  // namespace

void AppendCollationKey(std::string_view sjis, std::string& out) {
    Collator().AppendKey(sjis, out);
}

std::string CollationKey(std::string_view sjis) {
    std::string key;
    AppendCollationKey(sjis, key);
    return key;
}

int CompareTitles(std::string_view a, std::string_view b) {
    thread_local std::string keyA;
    thread_local std::string keyB;
    keyA.clear();
    keyB.clear();
    AppendCollationKey(a, keyA);
    AppendCollationKey(b, keyB);
    const int order = CompareBytes(keyA, keyB);
    return order != 0 ? order : CompareBytes(a, b);
}

std::vector<std::uint32_t> TitleOrder(const std::vector<std::string>& texts) {
    return OrderOf(texts);
}

std::vector<std::uint32_t> TitleOrder(const std::vector<std::string_view>& texts) {
    return OrderOf(texts);
}

}  // namespace korva
