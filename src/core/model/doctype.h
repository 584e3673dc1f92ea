// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace aq {

// The document template and the document file's dialog settings.
inline constexpr char DOC_TEMPLATE[] =
    "Aquenta - Brivel Application\n\nVK\nVK Files (*.son)\n.SON\nVK.Document\nVK Document";
inline constexpr char APP_TITLE[] = "Aquenta - Brivel Application";
inline constexpr char DOC_NEW_NAME[] = "VK";
inline constexpr char DOC_UNTITLED[] = "Untitled";
inline constexpr char DOC_FILTER[] = "VK Files (*.son)";
inline constexpr char DOC_EXTENSION[] = ".SON";
inline constexpr char DOC_TYPE_ID[] = "VK.Document";
inline constexpr char DOC_TYPE_NAME[] = "VK Document";

}  // namespace aq
