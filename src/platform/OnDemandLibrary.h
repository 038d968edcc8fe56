#pragma once
// Libraries that only some games or machines need (the audio mixer with its
// decoders, game controllers, archive unpacking, the fast SHA-256) are loaded
// the first time they are needed instead of at start-up. With what they pull
// in they are half of the program's shared libraries, and the loader would
// otherwise spend the time of the first window on them.
//
// A user lists the functions it calls and declares a table of pointers,
// typed as the library's own header declares the functions, that loads itself:
//
//   #define MIXER_FUNCTIONS(X) X(Mix_OpenAudio) X(Mix_LoadMUS)
//   struct Mixer {
//       MIXER_FUNCTIONS(QEL_FUNCTION_POINTER)
//       bool load(QString* why) {
//           return loadLibrary("libSDL2_mixer-2.0.so.0", {MIXER_FUNCTIONS(QEL_FUNCTION_ENTRY)}, why);
//       }
//   };
//   if (const Mixer* m = loadedOnce<Mixer>(&why)) m->Mix_OpenAudio(...);
#include <QString>
#include <functional>
#include <initializer_list>

namespace qel {

// One function to look up, and where its address goes.
struct LibraryFunction {
    const char* name;
    std::function<void(void*)> store;
};

// Loads the library by its file name (its soname, as "libarchive.so.13") and
// stores the address of each function. The functions of the libraries it
// depends on are found as well. True when every one was found; otherwise
// nothing is stored and *why (when given) names what is missing. A library,
// once loaded, stays loaded to the end.
bool loadLibrary(const char* fileName, std::initializer_list<LibraryFunction> functions, QString* why);

// The table, loaded by its first call; null (and *why, when given, says why)
// when it could not be. Later calls give the same answer without trying again.
template <class Table>
const Table* loadedOnce(QString* why) {
    static Table table;
    static QString failure;
    static const bool loaded = table.load(&failure);
    if (!loaded && why) *why = failure;
    return loaded ? &table : nullptr;
}

}  // namespace qel

// A pointer member typed as the library's header declares the function.
#define QEL_FUNCTION_POINTER(f) decltype(&::f) f = nullptr;
// The entry, inside a member function of the table, that fills in its f.
#define QEL_FUNCTION_ENTRY(f) ::qel::LibraryFunction{#f, [this](void* p) { f = reinterpret_cast<decltype(f)>(p); }},
