#include "devsim/DevicePassword.h"

// The low-level DES interface is deprecated in OpenSSL 3 but still present;
// single DES is only in the legacy provider for the EVP interface, so the
// low-level one is the simpler way to it.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <algorithm>
#include <cstring>

namespace lorvena::devsim {

namespace {

constexpr char keyText[] = "70937093";

PasswordField transform(const PasswordField& input, int direction)
{
    DES_cblock key;
    std::memcpy(key, keyText, sizeof key);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    PasswordField output {};
    for (std::size_t block = 0; block < input.size(); block += sizeof(DES_cblock)) {
        DES_cblock in;
        DES_cblock out;
        std::memcpy(in, input.data() + block, sizeof in);
        DES_ecb_encrypt(&in, &out, &schedule, direction);
        std::memcpy(output.data() + block, out, sizeof out);
    }
    return output;
}

PasswordField plainField(std::string_view password)
{
    PasswordField field {};
    std::copy_n(password.begin(), std::min(password.size(), field.size() - 1), field.begin());
    return field;
}

} // namespace

PasswordField DevicePassword::encipher(std::string_view password)
{
    return transform(plainField(password), DES_ENCRYPT);
}

bool DevicePassword::matches(const PasswordField& field, std::string_view password)
{
    if (password.size() >= passwordFieldSize)
        return false;
    return transform(field, DES_DECRYPT) == plainField(password);
}

} // namespace lorvena::devsim
