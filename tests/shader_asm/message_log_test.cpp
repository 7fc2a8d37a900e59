#include <gtest/gtest.h>

#include "preprocessor_test_support.h"
#include "shader_asm/messages.h"

namespace shader_asm_test {
namespace {

using shader_asm::MessageId;
using shader_asm::MessageLog;
using shader_asm::SourceLocation;
using shader_asm::WarningSpecifier;

TEST(MessageLog, FormatsLocationCodeAndText) {
  MessageLog log;
  SourceLocation named{"x.vsh", 7};
  SourceLocation unnamed{nullptr, 0};
  log.error(&named, MessageId::UnexpectedEndif);
  log.error(&unnamed, MessageId::InvalidCommand, "zap");
  log.error(nullptr, MessageId::OutOfMemory);
  log.warning(&named, MessageId::Vs10NoLongerSupported);
  EXPECT_EQ(log.joined(),
            "x.vsh(7): error X1510: unexpected #endif\n"
            "(1): error X1504: invalid preprocessor command 'zap'\n"
            "internal error: out of memory\n"
            "x.vsh(7): warning X2015: vs_1_0 is no longer supported; using vs_1_1\n");
  EXPECT_EQ(log.errorCount(), 3u);
  EXPECT_EQ(log.warningCount(), 1u);
}

TEST(MessageLog, LongTextsAreCut) {
  MessageLog log;
  std::string huge(10000, 'z');
  SourceLocation location{"x.vsh", 1};
  log.error(&location, MessageId::InvalidCommand, huge.c_str());
  std::string text = log.joined();
  EXPECT_EQ(text.size(), MessageLog::kMaxLineLength);
  EXPECT_EQ(text.back(), '\n');
}

TEST(MessageLog, WarningSettings) {
  SourceLocation location{"x.vsh", 2};
  auto warn = [&](MessageLog& log) { log.warning(&location, MessageId::Vs10NoLongerSupported); };
  {
    MessageLog log;
    log.applyWarningSetting(WarningSpecifier::Disable, 2015);
    warn(log);
    EXPECT_TRUE(log.empty());
    log.applyWarningSetting(WarningSpecifier::Default, 2015);
    warn(log);
    EXPECT_EQ(log.warningCount(), 1u);
  }
  {
    MessageLog log;
    log.applyWarningSetting(WarningSpecifier::Error, 2015);
    warn(log);
    EXPECT_EQ(log.errorCount(), 1u);
    EXPECT_EQ(log.joined(), "x.vsh(2): error X2015: vs_1_0 is no longer supported; using vs_1_1\n");
  }
  {
    MessageLog log;
    log.applyWarningSetting(WarningSpecifier::Once, 2015);
    warn(log);
    warn(log);
    EXPECT_EQ(log.warningCount(), 1u);
    // "default" keeps the reported mark but drops "once".
    log.applyWarningSetting(WarningSpecifier::Default, 2015);
    EXPECT_EQ(log.warningFlags(2015), shader_asm::kWarningReported | 1u);
    warn(log);
    EXPECT_EQ(log.warningCount(), 2u);
  }
  {
    MessageLog log;
    log.applyWarningSetting(WarningSpecifier::Level3, 2015);
    warn(log);
    EXPECT_TRUE(log.empty());  // above the log's level 1
    log.setWarningLevel(4);
    warn(log);
    log.setWarningLevel(0);
    warn(log);
    EXPECT_EQ(log.warningCount(), 1u);
  }
  {
    // The settings table stays sorted however codes arrive.
    MessageLog log;
    for (std::uint32_t code : {9u, 3u, 7u, 1u, 5u, 2u}) log.applyWarningSetting(WarningSpecifier::Level4, code);
    for (std::uint32_t code : {1u, 2u, 3u, 5u, 7u, 9u}) EXPECT_EQ(log.warningFlags(code), 4u);
    EXPECT_EQ(log.warningFlags(4), 1u);
  }
}

TEST(MessageLog, PragmaWarningAppliesEveryPair) {
  shader_asm::ShaderPreprocessor pp;
  std::string text = "#pragma warning(disable: 2015 2016; error: 3000; once: 4000; 3: 5000; default: 2016)\n";
  ASSERT_EQ(pp.initializeFromMemory(text.data(), text.size(), "x.vsh", nullptr, nullptr), S_OK);
  PreprocessResult run;
  collect(pp, run, {});
  EXPECT_EQ(run.messages, "");
  const MessageLog& log = pp.messages();
  EXPECT_EQ(log.warningFlags(2015), 0u);
  EXPECT_EQ(log.warningFlags(2016), 1u);
  EXPECT_EQ(log.warningFlags(3000), shader_asm::kWarningAsError);
  EXPECT_EQ(log.warningFlags(4000), shader_asm::kWarningOnce | 1u);
  EXPECT_EQ(log.warningFlags(5000), 3u);
  // A malformed list applies nothing.
  shader_asm::ShaderPreprocessor other;
  std::string bad = "#pragma warning(disable: 2015; error 2016)\n";
  ASSERT_EQ(other.initializeFromMemory(bad.data(), bad.size(), "x.vsh", nullptr, nullptr), S_OK);
  collect(other, run, {});
  EXPECT_EQ(other.messages().warningFlags(2015), 1u);
}

}  // namespace
}  // namespace shader_asm_test
