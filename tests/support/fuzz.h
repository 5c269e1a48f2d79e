// Seeded mutation fuzzing for the libraries' input surfaces, run inside GoogleTest under Wine
// with the undefined-behaviour traps.
//
// A target is a corpus of valid inputs (byte strings), the places of its size fields, and a
// function that runs one input through the code under test and checks its invariants with
// EXPECT_* / ASSERT_*. Run() feeds it `iterations` mutated inputs. Input i of a run is made from
// the seed and i alone (never from earlier inputs), so a (seed, iteration) pair always makes
// the same bytes.
//
// The first inputs of a run are the corpus entries as they are; mutated inputs follow.
//
// Before each input runs, its bytes are written to a file in the temporary folder
// (drvfuzz-<target>-<process id>.bin) and the seed and iteration are kept where a vectored
// exception handler finds them. A fault or an undefined-behaviour trap, which ends the process
// under Wine, first prints to standard error
//     fuzz: <target>: exception 0x... at seed S, iteration I: input (N bytes) in <file>
// (with the file's Unix path when running under Wine), and the file is left behind. An input that
// fails an invariant is copied to drvfuzz-<target>-s<seed>-i<iteration>.bin, which is kept, and
// its failures name seed, iteration and that file. After the first few failing inputs the run
// stops. A run that ends normally removes its drvfuzz-<target>-<process id>.bin.
//
// Budget. Every target has a short default, a few seconds under Wine, for the normal test run.
// A long run is asked for through the environment, read by Budget::FromEnvironment:
//     DRV_FUZZ_ITERATIONS   inputs per target (decimal), instead of the target's default
//     DRV_FUZZ_SEED         seed (decimal or 0x hexadecimal), instead of the default 1
// for example, from the build folder:
//     DRV_FUZZ_ITERATIONS=2000000 DRV_FUZZ_SEED=17 ./winerun bin/common_tests_VRDA_UI.exe --gtest_filter='*Fuzz*'
// (CTest's time limit per test does not apply when the program is run directly.)
//
// Mutations (one to four stacked on a corpus entry): bit flip; byte set to 0, 0xFF, 0x7F or
// 0x80; byte set to a random value; a 16- or 32-bit interesting integer (0, 1, -1, the sign
// boundaries of 8, 16 and 32 bits, 0x100, 0x10000 ...) written little-endian at a random offset;
// a size field made smaller or larger (by a little, to 0, to its maximum or to a random value);
// the input cut short or extended (with zeros or random bytes); two corpus entries spliced
// (the head of one, the tail of another).
//
// GuardedBlock places a buffer so that its end touches an inaccessible page: any read or write
// past the end faults at once (and names the input through the handler above).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drvfuzz {

using Bytes = std::vector<std::uint8_t>;

// A little-endian unsigned field of the input that declares a size.
struct SizeField {
    std::size_t offset;
    unsigned width;  // 1, 2 or 4
};

struct Target {
    std::string name;                   // in file names and messages: letters, digits, '-', '_'
    std::vector<Bytes> corpus;          // valid inputs, at least one
    std::vector<SizeField> sizeFields;  // fields beyond an input's end are left alone
    std::size_t maxSize = 1 << 16;      // inputs never grow beyond this
    std::function<void(const Bytes& input)> run;
};

struct Budget {
    std::uint64_t iterations;
    std::uint64_t seed;
    // DRV_FUZZ_ITERATIONS and DRV_FUZZ_SEED when set (and valid), else these defaults.
    static Budget FromEnvironment(std::uint64_t defaultIterations, std::uint64_t defaultSeed = 1);
};

struct Outcome {
    std::uint64_t iterations = 0;  // inputs run
    std::size_t failingInputs = 0;
};

// Runs the target on the budget's inputs, recording each before it runs; failures are reported
// to GoogleTest. At most maxFailingInputs failing inputs are run before the run stops.
Outcome Run(const Target& target, const Budget& budget, std::size_t maxFailingInputs = 5);

// Input `iteration` of a run of the target with `seed`.
Bytes MakeInput(const Target& target, std::uint64_t seed, std::uint64_t iteration);

// The file in which Run records the input that is running (the process id makes it the
// program's own).
std::wstring CurrentInputFile(const std::string& targetName);

// A deterministic random source (SplitMix64).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // 0 .. bound - 1 (0 when bound is 0).
    std::uint64_t below(std::uint64_t bound) { return bound ? next() % bound : 0; }

private:
    std::uint64_t state_;
};

// Committed memory of `capacity` bytes whose end is followed by a PAGE_NOACCESS page.
class GuardedBlock {
public:
    explicit GuardedBlock(std::size_t capacity);
    ~GuardedBlock();
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;

    bool ok() const { return base_ != nullptr; }
    std::size_t capacity() const { return capacity_; }
    // The n bytes that end at the inaccessible page; NULL when n exceeds the capacity.
    std::uint8_t* end(std::size_t n) const { return base_ && n <= capacity_ ? limit_ - n : nullptr; }
    // Copies data to the n bytes that end at the page; when data is shorter the rest is filled
    // with fill, when longer it is cut to n. Returns where it starts (NULL as end() does).
    std::uint8_t* place(const std::uint8_t* data, std::size_t size, std::size_t n, std::uint8_t fill = 0) const;

private:
    std::uint8_t* base_ = nullptr;
    std::uint8_t* limit_ = nullptr;
    std::size_t capacity_ = 0, reserved_ = 0;
};

}  // namespace drvfuzz
