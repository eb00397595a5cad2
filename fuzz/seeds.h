// Seed writers for the fuzz targets: each fuzz/<reader>_seeds.cpp registers a
// function that writes valid files, made by our own writers, into the folder
// it is given (with a trailing "/").
#pragma once

#include <string>

namespace kestrune::fuzz {

using SeedWriter = void (*)(const std::string& folder);

struct SeedRegistration {
  SeedRegistration(const char* reader, SeedWriter writer);
};

// Writes bytes to folder + name.
void WriteSeed(const std::string& folder, const std::string& name, const std::string& bytes);

}  // namespace kestrune::fuzz

// Seed files call WriteSeed unqualified.
using ::kestrune::fuzz::WriteSeed;

#define KESTRUNE_SEEDS(reader)                                                              \
  static void KestruneSeeds_##reader(const std::string& folder);                            \
  static ::kestrune::fuzz::SeedRegistration kestruneSeedReg_##reader(#reader, KestruneSeeds_##reader); \
  static void KestruneSeeds_##reader(const std::string& folder)
