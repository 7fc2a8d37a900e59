// prismasm: assembles Direct3D 9 shader assembly into token streams, and back.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "file_include_handler.h"
#include "shader_asm/disassembler.h"
#include "shader_asm/shader_assembler.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitSourceErrors = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: prismasm [-D NAME[=VALUE]]... [--debug-info] [--no-validate] [--hex] [-o OUTPUT] INPUT\n"
    "       prismasm --disassemble [-o OUTPUT] INPUT.bin\n"
    "\n"
    "Assembles a vs_1_1 to vs_3_0 or ps_1_1 to ps_3_0 shader into Direct3D 9 shader tokens.\n"
    "\n"
    "  -D NAME[=VALUE]  define a macro for the preprocessor (VALUE empty when left out)\n"
    "  --debug-info     add the debug-information comment\n"
    "  --no-validate    do not run the platform's shader validator\n"
    "  --hex            print the words to standard output as 0x%08X, one per line\n"
    "  -o OUTPUT        where to write (default: INPUT with the extension .bin;\n"
    "                   with --disassemble, standard output)\n"
    "  --disassemble    print a token stream as assembly that assembles back to the same words\n"
    "  --help           show this text\n"
    "\n"
    "Messages go to standard error. Exit status: 0 success (warnings allowed), 1 the source has\n"
    "errors or cannot be opened, 2 bad usage.\n";

struct Options {
  std::vector<std::string> defineNames;
  std::vector<std::string> defineValues;
  bool debugInfo = false;
  bool noValidate = false;
  bool hex = false;
  bool disassemble = false;
  std::string output;
  std::string input;
};

int usageError(const char* message) {
  std::fprintf(stderr, "prismasm: %s\n%s", message, kUsage);
  return kExitUsage;
}

// 0 when parsed; otherwise the exit status to end with.
int parseArguments(int argc, char** argv, Options& options, bool& help) {
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--debug-info") {
      options.debugInfo = true;
    } else if (argument == "--no-validate") {
      options.noValidate = true;
    } else if (argument == "--hex") {
      options.hex = true;
    } else if (argument == "--disassemble") {
      options.disassemble = true;
    } else if (argument == "-o" || argument == "-D") {
      if (i + 1 >= argc) return usageError("missing value after an option");
      std::string value = argv[++i];
      if (argument == "-o") {
        options.output = value;
      } else {
        std::size_t equals = value.find('=');
        std::string name = value.substr(0, equals);
        if (name.empty()) return usageError("-D needs a name");
        options.defineNames.push_back(name);
        options.defineValues.push_back(equals == std::string::npos ? std::string() : value.substr(equals + 1));
      }
    } else if (argument.size() > 2 && argument.substr(0, 2) == "-D") {
      std::string value(argument.substr(2));
      std::size_t equals = value.find('=');
      options.defineNames.push_back(value.substr(0, equals));
      options.defineValues.push_back(equals == std::string::npos ? std::string() : value.substr(equals + 1));
    } else if (!argument.empty() && argument[0] == '-') {
      return usageError("unknown option");
    } else if (options.input.empty()) {
      options.input = argument;
    } else {
      return usageError("more than one input");
    }
  }
  if (help) return 0;
  if (options.input.empty()) return usageError("no input");
  if (options.disassemble && (options.debugInfo || options.hex || !options.defineNames.empty())) {
    return usageError("--disassemble takes only -o");
  }
  return 0;
}

std::string defaultOutput(const std::string& input) {
  std::size_t slash = input.find_last_of("/\\");
  std::size_t dot = input.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return input + ".bin";
  return input.substr(0, dot) + ".bin";
}

bool writeFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  if (!stream) return false;
  stream.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(stream);
}

int assemble(const Options& options) {
  std::vector<shader_asm::ShaderDefine> defines;
  for (std::size_t i = 0; i < options.defineNames.size(); ++i) {
    defines.push_back({options.defineNames[i].c_str(), options.defineValues[i].c_str()});
  }
  defines.push_back({nullptr, nullptr});
  DWORD flags = (options.debugInfo ? shader_asm::kAssembleDebugInfo : 0u) |
                (options.noValidate ? shader_asm::kAssembleSkipValidation : 0u);
  prismasm::FileIncludeHandler handler;
  shader_asm::ShaderBufferPtr shader;
  shader_asm::ShaderBufferPtr errors;
  HRESULT result = shader_asm::assembleShaderFromFile(options.input.c_str(), defines.data(), &handler, flags,
                                                      shader.put(), errors.put());
  if (errors) std::fputs(static_cast<const char*>(errors->GetData()), stderr);
  if (FAILED(result)) return kExitSourceErrors;
  const auto* words = static_cast<const DWORD*>(shader->GetData());
  std::size_t count = shader->GetSize() / sizeof(DWORD);
  if (options.hex) {
    for (std::size_t i = 0; i < count; ++i) std::printf("0x%08X\n", words[i]);
    return kExitSuccess;
  }
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i < count; ++i) {
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<unsigned char>(words[i] >> (8 * b)));
  }
  std::string output = options.output.empty() ? defaultOutput(options.input) : options.output;
  if (!writeFile(output, bytes.data(), bytes.size())) {
    std::fprintf(stderr, "prismasm: cannot write '%s'\n", output.c_str());
    return kExitSourceErrors;
  }
  return kExitSuccess;
}

int disassemble(const Options& options) {
  std::string bytes;
  if (!prismasm::readFile(options.input, bytes)) {
    std::fprintf(stderr, "prismasm: cannot read '%s'\n", options.input.c_str());
    return kExitSourceErrors;
  }
  if (bytes.size() % 4 != 0) {
    std::fprintf(stderr, "%s: error: the size (%zu bytes) is not a whole number of 32-bit words\n",
                 options.input.c_str(), bytes.size());
    return kExitSourceErrors;
  }
  std::vector<DWORD> words(bytes.size() / 4);
  for (std::size_t i = 0; i < words.size(); ++i) {
    words[i] = 0;
    for (int b = 0; b < 4; ++b) words[i] |= static_cast<DWORD>(static_cast<unsigned char>(bytes[4 * i + b])) << (8 * b);
  }
  std::string text;
  std::string error;
  if (FAILED(shader_asm::disassembleShader(words.data(), words.size(), text, error))) {
    std::fprintf(stderr, "%s: error: %s\n", options.input.c_str(), error.c_str());
    return kExitSourceErrors;
  }
  if (options.output.empty()) {
    std::fputs(text.c_str(), stdout);
  } else if (!writeFile(options.output, text.data(), text.size())) {
    std::fprintf(stderr, "prismasm: cannot write '%s'\n", options.output.c_str());
    return kExitSourceErrors;
  }
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  int status = parseArguments(argc, argv, options, help);
  if (status != 0) return status;
  if (help) {
    std::fputs(kUsage, stdout);
    return kExitSuccess;
  }
  return options.disassemble ? disassemble(options) : assemble(options);
}
