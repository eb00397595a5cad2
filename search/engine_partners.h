// The partner identifiers that query URLs may carry and the online shop whose
// item links the engines rewrite into product links. One place for all of
// them: the templates name the identifiers by placeholder only.
#pragma once

#include <string_view>

namespace kestrune {

// Replaced for "$begun_pad_id", "$aff_id" and "$at" in query URLs.
inline constexpr std::string_view kPartnerPadId = "47120936";
inline constexpr std::string_view kPartnerAffiliateId = "58203";
inline constexpr std::string_view kPartnerId = "HV3K9W2TB";

// An item URL that contains kShopDomain is rewritten into
// "http://" + kShopHost + "/exec/obidos/ASIN/" + code + "/" + kShopAssociateTag + "/".
inline constexpr std::string_view kShopDomain = "shop.example";
inline constexpr std::string_view kShopHost = "www.shop.example";
inline constexpr std::string_view kShopAssociateTag = "kestrune-20";

}  // namespace kestrune
