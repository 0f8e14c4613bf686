// The PasswordDigest: the published example, an independent computation, and
// the simulated device's check of tokens made with a clock offset.

#include "onvif/DigestCheck.h"
#include "sdk/onvif/DeviceRequests.h"
#include "sdk/onvif/SoapXml.h"
#include "sdk/onvif/UsernameToken.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>
#include <vector>

namespace {

using namespace lorvena::onvif;
namespace sim = lorvena::devsim::onvif;
using namespace std::chrono_literals;

std::string decodeBase64(const std::string& text)
{
    std::vector<unsigned char> out(text.size());
    int length = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
        static_cast<int>(text.size()));
    std::size_t padding = text.size() >= 2 && text[text.size() - 1] == '=' ? (text[text.size() - 2] == '=' ? 2 : 1) : 0;
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(length) - padding);
}

// The digest computed here with libcrypto's EVP interface, apart from the
// product's code.
std::string independentDigest(const std::string& nonce, const std::string& created, const std::string& password)
{
    std::string input = nonce + created + password;
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), hash, &length, EVP_sha1(), nullptr);
    unsigned char text[64] = {};
    int written = EVP_EncodeBlock(text, hash, static_cast<int>(length));
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(written));
}

TEST(PasswordDigest, MatchesThePublishedExample)
{
    // The example of the ONVIF application programmer's guide.
    EXPECT_EQ(PasswordDigest(decodeBase64("LKqI6G/AikKCQrN0zqZFlg=="), "2010-09-16T07:50:45Z", "userpassword"),
        "tuOSpGlFlIXsozq4HFNeeGeFLEI=");
}

TEST(PasswordDigest, MatchesAnIndependentComputation)
{
    const struct {
        const char* name;
        std::size_t nonceBytes;
        const char* password;
    } cases[] = {
        {"usual", 16, "admin12345"},
        {"empty password", 16, ""},
        {"nonce with NUL bytes possible, long", 64, "p\xC3\xB3\xC5\x82ko"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int round = 0; round < 20; ++round) {
            std::string nonce(c.nonceBytes, '\0');
            RAND_bytes(reinterpret_cast<unsigned char*>(nonce.data()), static_cast<int>(nonce.size()));
            EXPECT_EQ(PasswordDigest(nonce, "2024-02-29T23:59:59Z", c.password),
                independentDigest(nonce, "2024-02-29T23:59:59Z", c.password));
        }
    }
}

TEST(UsernameToken, CarriesItsPartsInTheSecurityHeader)
{
    UsernameToken token = MakeUsernameToken("a<b&c", "secret", 3h);
    EXPECT_EQ(decodeBase64(token.nonceBase64).size(), 16u);
    EXPECT_EQ(token.digest, independentDigest(decodeBase64(token.nonceBase64), token.created, "secret"));
    std::chrono::system_clock::time_point created;
    ASSERT_TRUE(sim::ParseCreated(token.created, created));
    EXPECT_LT(std::chrono::abs(created - (std::chrono::system_clock::now() + 3h)), 1min)
        << "Created is in the device's clock, three hours ahead of ours";

    pugi::xml_document document;
    std::string text = Envelope(RequestBody(DeviceAction::GetNetworkInterfaces), &token);
    ASSERT_EQ(ParseDeviceXml(text, document), XmlVerdict::Parsed);
    pugi::xml_node usernameToken = Path(document.document_element(), {"Header", "Security", "UsernameToken"});
    EXPECT_EQ(TrimmedText(Child(usernameToken, "Username")), "a<b&c");
    EXPECT_EQ(TrimmedText(Child(usernameToken, "Password")), token.digest);
    EXPECT_EQ(TrimmedText(Child(usernameToken, "Nonce")), token.nonceBase64);
    EXPECT_EQ(TrimmedText(Child(usernameToken, "Created")), token.created);
    EXPECT_TRUE(Child(SoapBody(document), "GetNetworkInterfaces"));
}

TEST(UsernameToken, TheDeviceAcceptsOnlyTheRightPasswordInItsOwnClock)
{
    const auto now = std::chrono::system_clock::now();
    const struct {
        const char* name;
        const char* password;
        std::chrono::seconds tokenOffset;   // what the client believes
        std::chrono::seconds deviceOffset;  // the device's clock
        bool accepted;
    } cases[] = {
        {"same clock", "admin", 0s, 0s, true},
        {"offset learned", "admin", 3h, 3h, true},
        {"offset ignored", "admin", 0s, 3h, false},
        {"within the allowed skew", "admin", 4min, 0s, true},
        {"wrong password", "Admin", 3h, 3h, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UsernameToken token = MakeUsernameToken("admin", c.password, c.tokenOffset);
        pugi::xml_document document;
        ASSERT_EQ(ParseDeviceXml(Envelope("<tds:GetDNS/>", &token), document), XmlVerdict::Parsed);
        sim::DigestPolicy policy {"admin", "admin", now + c.deviceOffset};
        EXPECT_EQ(sim::DigestAccepted(document.document_element(), policy), c.accepted);
    }
}

TEST(UsernameToken, ACreatedCenturiesAwayIsRefusedWithoutOverflow)
{
    for (const char* created : {"1691-01-01T00:00:00Z", "2261-12-31T23:59:59Z"}) {
        SCOPED_TRACE(created);
        UsernameToken token = MakeUsernameToken("admin", "admin", 0s);
        token.created = created;
        pugi::xml_document document;
        ASSERT_EQ(ParseDeviceXml(Envelope("<tds:GetDNS/>", &token), document), XmlVerdict::Parsed);
        sim::DigestPolicy policy {"admin", "admin", std::chrono::system_clock::now()};
        EXPECT_FALSE(sim::DigestAccepted(document.document_element(), policy));
    }
}

TEST(UsernameToken, CreatedTimesAreReadStrictly)
{
    std::chrono::system_clock::time_point time;
    EXPECT_TRUE(sim::ParseCreated("2010-09-16T07:50:45Z", time));
    EXPECT_EQ(std::chrono::system_clock::to_time_t(time), 1284623445);
    EXPECT_TRUE(sim::ParseCreated("2010-09-16T07:50:45.123Z", time));
    EXPECT_EQ(std::chrono::system_clock::to_time_t(time), 1284623445);
    EXPECT_FALSE(sim::ParseCreated("2010-09-16T07:50:45", time));
    EXPECT_FALSE(sim::ParseCreated("2010-09-16 07:50:45Z", time));
    EXPECT_FALSE(sim::ParseCreated("", time));
    EXPECT_FALSE(sim::ParseCreated("-999-99-99T99:99:99Z", time)); // beyond what the clock can hold
    EXPECT_EQ(FormatUtc(std::chrono::system_clock::from_time_t(1284623445)), "2010-09-16T07:50:45Z");
}

} // namespace
