#include "platform/Component.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Format, SubstitutesInOrder) {
  EXPECT_EQ(Format("'%s' is not a valid integer value", {std::string("12 3")}),
            "'12 3' is not a valid integer value");
  EXPECT_EQ(Format("Cannot create file \"%s\". %s", {std::string("a.xml"), std::string("Denied")}),
            "Cannot create file \"a.xml\". Denied");
  EXPECT_EQ(Format("100%% of %d", {std::int64_t{-7}}), "100% of -7");
  EXPECT_EQ(Format("%s and %s", {std::string("a")}), "a and %s");
}

TEST(Streams, MemoryStreamReadWriteSeek) {
  TMemoryStream s;
  s.WriteString("abcdef");
  EXPECT_EQ(s.Size(), 6);
  s.SetPosition(2);
  char buf[3] = {};
  EXPECT_EQ(s.Read(buf, 3), 3);
  EXPECT_EQ(std::string(buf, 3), "cde");
  EXPECT_EQ(s.Read(buf, 3), 1);
  EXPECT_EQ(s.Read(buf, 3), 0);
  EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
}

TEST(Streams, FileErrorsCarryTheirMessages) {
  try {
    TFileStream f("/nonexistent-dir/x.xml", TFileMode::fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"/nonexistent-dir/x.xml\". ", 0), 0u);
  }
  EXPECT_THROW(TFileStream("/nonexistent-dir/x.xml", TFileMode::fmOpenRead), EFOpenError);
}

namespace {
class Watcher : public TComponent {
public:
  using TComponent::TComponent;
  TComponent* Partner = nullptr;
  void Watch(TComponent* p) { Partner = p; FreeNotification(p); }
protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove && c == Partner) Partner = nullptr;
  }
};
}  // namespace

TEST(Component, DestroyedPartnerClearsReference) {
  Watcher a;
  auto* b = new Watcher();
  a.Watch(b);
  delete b;
  EXPECT_EQ(a.Partner, nullptr);
}

TEST(Component, OwnerDestroysOwnedAndOwnedLeavesOwner) {
  auto* owner = new TComponent();
  auto* first = new Watcher(owner);
  new Watcher(owner);
  EXPECT_EQ(owner->ComponentCount(), 2);
  delete first;
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;  // the sanitizer build catches a double free or a leak here
}
