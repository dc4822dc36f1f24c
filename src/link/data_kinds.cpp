#include "link/data_kinds.h"

namespace trawlix::link {
namespace {

template <typename Field>
const DataKindNames* find(std::string_view text, Field field) {
    for (const DataKindNames& names : kDataKinds) {
        if (names.*field == text) {
            return &names;
        }
    }
    return nullptr;
}

}  // namespace

const DataKindNames* kindOfCommand(std::string_view command) {
    return find(command, &DataKindNames::command);
}

const DataKindNames* kindOfWord(std::string_view word) {
    return find(word, &DataKindNames::word);
}

const DataKindNames* kindOfName(std::string_view name) {
    return find(name, &DataKindNames::name);
}

}  // namespace trawlix::link
