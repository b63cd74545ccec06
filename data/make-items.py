#!/usr/bin/env python3
"""Writes the item columns of the game data: 06-item-names.txt (row 0 the count, row n the
name of item n), 17-item-widths.txt and 18-item-heights.txt (row n the size of item n in
inventory cells). Items 220-271 are the ones whose first enchantment field holds a plain
power number: our potions and reagents. The three files are kept in the repository; run
this again only to change the items."""

import os

MATERIALS = ["Iron", "Steel", "Bluesteel", "Moonsilver", "Emberglass", "Starforged"]

WEAPONS = [  # name, width, height
    ("Dagger", 1, 2), ("Shortsword", 1, 3), ("Longsword", 1, 4), ("Broadsword", 1, 4),
    ("Greatsword", 2, 5), ("Hand Axe", 1, 2), ("Battle Axe", 2, 3), ("Greataxe", 2, 4),
    ("Mace", 1, 3), ("Warhammer", 2, 3), ("Flail", 2, 3), ("Spear", 1, 5),
    ("Halberd", 2, 6), ("Recurve Bow", 2, 3), ("Longbow", 2, 5),
]
ARMOUR = [
    ("Scale Vest", 2, 3), ("Ring Hauberk", 3, 3), ("Brigandine", 3, 3), ("Breastplate", 3, 4),
    ("Buckler", 2, 2), ("Kite Shield", 2, 3), ("Tower Shield", 3, 4),
    ("Cap", 2, 1), ("Helm", 2, 2), ("Greathelm", 2, 2),
    ("Gauntlets", 2, 2), ("Greaves", 2, 2), ("Sabatons", 2, 2),
]
CLOAKS = ["Traveller's Cloak", "Woollen Mantle", "Cloak of Dusk", "Ashen Shroud",
          "Ranger's Cape", "Silken Mantle", "Tidewarden's Mantle", "Stormcloak"]
BELTS = ["Rope Belt", "Leather Girdle", "Studded Belt", "Sash of Quickness",
         "Warden's Girdle", "Girdle of the Bear", "Pilgrim's Sash", "Gilded Cinch"]
RINGS = ["Copper Ring", "Silver Ring", "Gold Ring", "Jade Band", "Onyx Band", "Garnet Ring",
         "Ring of Embers", "Ring of Frost", "Ring of Whispers", "Serpent Coil",
         "Signet of the Vale", "Ring of Tides", "Lodestone Ring", "Thornwood Band",
         "Ring of the Owl", "Mariner's Ring", "Ring of Twin Moons", "Ring of the Last Oath"]
AMULETS = ["Bone Charm", "Copper Torc", "Silver Locket", "Amber Pendant", "Pearl Choker",
           "Sunstone Amulet", "Moonstone Amulet", "Raven Feather Charm", "Wolf Tooth Necklace",
           "Medallion of Valour", "Pendant of the Deep", "Hearthstone Amulet",
           "Amulet of Far Roads", "Talisman of Warding", "Chain of the Forgotten King",
           "Scarab of Dunes", "Starlit Pendant"]
POTIONS = ["Potion of Mending", "Potion of Clarity", "Potion of Vigour",
           "Draught of Swiftness", "Draught of Might", "Draught of Wit", "Draught of Insight",
           "Draught of Fortune", "Draught of Resolve", "Draught of Precision",
           "Tonic of Waking", "Tonic of Calm", "Elixir of Warmth", "Elixir of Coolness",
           "Elixir of Breath", "Antidote", "Fever Cure", "Stone Softener", "Restorative",
           "Draught of Deep Sight", "Oil of Sharpness", "Oil of Hardening",
           "Philtre of Courage", "Philtre of Vigilance", "Elixir of Youth",
           "Elixir of the Ages"]
REAGENTS = ["Bloodthorn Leaf", "Ashcap Mushroom", "Glimmerroot", "Frostbloom Petal",
            "Sandwort", "Marsh Lantern Moss", "Wyvern Scale", "Griffin Down",
            "Emberseed", "Tidepearl Dust", "Moonlit Dew", "Spiderglass Silk", "Salt of Kings",
            "Crow's Quill", "Silverbark", "Duskberry", "Hearthroot", "Stormflower",
            "Bitter Lichen", "Sunpetal", "Shadow Truffle", "Drake Ash", "Saltmarsh Reed",
            "Violet Cap", "Starmoss", "Phoenix Cinder"]
SCROLLS = ["Scroll of Kindling", "Scroll of Mending", "Scroll of Far Sight",
           "Scroll of Featherfall", "Scroll of Warding", "Scroll of Frost Needle",
           "Scroll of Tremor", "Scroll of Calm Mind", "Scroll of Glow", "Scroll of Gloom",
           "Scroll of Shadowstep", "Scroll of Sunlance", "Scroll of Ice Bridge",
           "Scroll of Ancestral Aid", "Scroll of Tempest"]
BOOKS = ["Primer of Flame", "Treatise on Winds", "Book of Tides", "Ledger of Stones",
         "Psalter of Spirits", "Notebook of Thought", "Herbal of the Vale",
         "Book of Dawn", "Grimoire of Dusk", "Atlas of the Far Reaches"]
GEMS = ["Rough Quartz", "Amethyst", "Topaz", "Garnet", "Emerald", "Sapphire", "Ruby",
        "Black Opal", "Starstone", "Dragon's Eye"]
MISC = [  # name, width, height
    ("Iron Key", 1, 1), ("Bronze Key", 1, 1), ("Crystal Key", 1, 1),
    ("Lantern", 1, 2), ("Coil of Rope", 2, 2), ("Waterskin", 1, 2),
    ("Travelling Chest", 4, 3), ("Rolled Tapestry", 6, 2), ("Siege Horn", 3, 2),
    ("Ancient Standard", 2, 8), ("Bundle of Spears", 3, 6), ("Carved Figurehead", 5, 4),
    ("Folded Map", 2, 1), ("Lute", 2, 4),
]


def main():
    items = []  # (name, width, height); item n is items[n - 1]
    for material in MATERIALS:
        for name, w, h in WEAPONS:
            items.append((f"{material} {name}", w, h))
    for name, w, h in ARMOUR:
        for material in MATERIALS:
            items.append((f"{material} {name}", w, h))
    items += [(n, 3, 4) if "Mantle" in n else (n, 2, 3) for n in CLOAKS]
    items += [(n, 2, 1) for n in BELTS]
    items += [(n, 1, 1) for n in RINGS]
    items += [(n, 1, 2) if "Chain" in n or "Necklace" in n else (n, 1, 1) for n in AMULETS]
    assert len(items) == 219, len(items)
    items += [(n, 1, 1) for n in POTIONS + REAGENTS]
    assert len(items) == 271, len(items)
    items += [(n, 1, 2) for n in SCROLLS]
    items += [(n, 2, 2) for n in BOOKS]
    items += [(n, 1, 1) for n in GEMS]
    items += MISC
    assert len(items) >= 300
    assert len({n for n, _, _ in items}) == len(items), "item names must be unique"
    for n, w, h in items:
        assert 1 <= w <= 14 and 1 <= h <= 9, n

    here = os.path.dirname(os.path.abspath(__file__))

    def write(name, rows):
        with open(os.path.join(here, name), "w", newline="\n") as f:
            f.write("".join(r + "\n" for r in rows))

    write("06-item-names.txt", [str(len(items))] + [n for n, _, _ in items])
    write("17-item-widths.txt", [""] + [str(w) for _, w, _ in items])
    write("18-item-heights.txt", [""] + [str(h) for _, _, h in items])


if __name__ == "__main__":
    main()
