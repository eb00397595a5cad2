// Singular and plural nouns of two topics each (beekeeping, sailing), English
// and Russian, all held by the shipped word lists, with a document sentence
// that uses both forms and a word to make a two-word query of each form
// ("bee mites"). The tests that check that a query word takes the reading the
// documents give the same token, and that both forms of a noun reach one
// word, share these lists.
//
// Every sentence holds its pair's two forms in lower case, not at its start,
// and ends with a full stop; the sentences of one language and topic joined
// by blanks make a document text (DocumentText).
//
// A pair whose forms the shipped word lists keep apart (as two head words, or
// the plural as a form of another word) says why in Split; the query word
// still takes the documents' reading for each form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune::test {

struct TNounPair {
  std::u16string_view Singular;
  std::u16string_view Plural;
  std::u16string_view Companion;  // the other word of a two-word query
  std::u16string_view Sentence;   // holds both forms
  std::string_view Split = {};     // empty: both forms reach one word
};

inline const std::vector<TNounPair>& EnglishBeekeepingPairs() {
  static const std::vector<TNounPair> pairs = {
      {u"mite", u"mites", u"bee", u"One mite on a bee becomes hundreds of mites by the end of summer."},
      {u"queen", u"queens", u"young", u"The old queen leaves with a swarm, and the young queens fight until one is left."},
      {u"hive", u"hives", u"wooden", u"A strong hive needs space, so the beekeeper keeps spare hives ready."},
      {u"cell", u"cells", u"wax", u"Each cell of the comb is a hexagon, and the cells hold honey, pollen or brood."},
      {u"bee", u"bees", u"worker", u"A worker bee lives a few weeks in summer, while the bees of winter live for months."},
      {u"drone", u"drones", u"male", u"A drone does no work in the hive, and the drones are driven out in autumn."},
      {u"comb", u"combs", u"honey", u"The beekeeper lifts a comb to the light and checks the combs for eggs."},
      {u"frame", u"frames", u"brood", u"Every frame hangs from the top bar, and the frames are spaced evenly."},
      {u"colony", u"colonies", u"strong", u"A colony can hold fifty thousand bees, and weak colonies are joined in autumn."},
      {u"swarm", u"swarms", u"spring", u"A swarm hangs from a branch for a day, and most swarms leave before noon."},
      {u"flower", u"flowers", u"wild", u"Each flower gives a little nectar, so the bees visit thousands of flowers."},
      {u"egg", u"eggs", u"fresh", u"The queen lays an egg in every cell, up to two thousand eggs a day."},
      {u"worker", u"workers", u"old", u"A young worker cleans the cells, and older workers fly out for nectar."},
      {u"smoker", u"smokers", u"bee", u"The smoker calms the bees, and good smokers burn for an hour.",
       "en_US gives smoker/M no plural; smokers is the agent form of smoke/Z"},
      {u"feeder", u"feeders", u"sugar", u"A feeder of sugar syrup helps in autumn, and feeders sit on top of the frames.",
       "en_US gives feeder/M no plural; feeders is the agent form of feed/Z"},
      {u"sting", u"stings", u"bee", u"A sting hurts for a minute, and beekeepers get used to stings."},
      {u"wing", u"wings", u"torn", u"A bee with a torn wing cannot fly, and its wings wear out with age.",
       "en_US gives wing/MDRZG no plural; wings is a form of w/DNXTGVJ"},
      {u"jar", u"jars", u"glass", u"Honey is poured into a glass jar, and the jars are sealed at once."},
      {u"box", u"boxes", u"brood", u"The brood box sits at the bottom, and the honey boxes go above it."},
      {u"beekeeper", u"beekeepers", u"local", u"A beekeeper wears a veil, and most beekeepers wear gloves as well."},
      {u"nest", u"nests", u"wild", u"A wild nest in a tree is hard to find, and such nests are often old."},
  };
  return pairs;
}

inline const std::vector<TNounPair>& EnglishSailingPairs() {
  static const std::vector<TNounPair> pairs = {
      {u"sail", u"sails", u"main", u"The main sail is raised first, and the sails are trimmed to the wind."},
      {u"knot", u"knots", u"reef", u"A reef knot holds well, and every sailor knows a dozen knots."},
      {u"tide", u"tides", u"high", u"The high tide comes twice a day, and the tides are strongest at full moon."},
      {u"table", u"tables", u"tide", u"Check the tide table before you leave, because the tables give the times of high water."},
      {u"boat", u"boats", u"small", u"A small boat is easy to handle, and boats of that size fit in any harbor."},
      {u"mast", u"masts", u"tall", u"The mast carries the sails, and old ships had three masts."},
      {u"rope", u"ropes", u"long", u"A long rope is coiled on deck, and wet ropes are dried in the sun."},
      {u"wave", u"waves", u"big", u"A big wave can fill the cockpit, so steer across the waves."},
      {u"anchor", u"anchors", u"heavy", u"The anchor holds in sand, and many boats carry two anchors."},
      {u"deck", u"decks", u"wet", u"The deck is slippery when wet, and teak decks need oil."},
      {u"hull", u"hulls", u"wooden", u"The hull is painted each spring, and wooden hulls need more care."},
      {u"wind", u"winds", u"strong", u"The wind backs to the west, and strong winds are expected tonight."},
      {u"chart", u"charts", u"paper", u"A paper chart shows the depth, and charts must be kept up to date."},
      {u"harbor", u"harbors", u"safe", u"The harbor is calm at night, and the harbors of the coast are full in summer."},
      {u"sailor", u"sailors", u"young", u"A young sailor learns the ropes, and old sailors tell stories."},
      {u"buoy", u"buoys", u"red", u"A red buoy marks the channel, and the buoys are lit at night."},
      {u"island", u"islands", u"small", u"A small island lies to the north, and the islands shelter the bay."},
      {u"storm", u"storms", u"sudden", u"A sudden storm can tear a sail, and autumn storms are the worst."},
      {u"cabin", u"cabins", u"small", u"The cabin sleeps four, and larger boats have two cabins."},
      {u"rudder", u"rudders", u"broken", u"A broken rudder leaves the boat helpless, so some boats carry two rudders.",
       "en_US gives rudder/M no plural; rudders is the agent form of rudd/RZS"},
      {u"crew", u"crews", u"racing", u"The crew hauls the lines, and racing crews train all winter."},
      {u"port", u"ports", u"home", u"The home port is far away, and the ports of the south are busy."},
  };
  return pairs;
}

inline const std::vector<TNounPair>& RussianBeekeepingPairs() {
  static const std::vector<TNounPair> pairs = {
      {u"пчела", u"пчелы", u"рабочая", u"Одна пчела приносит мало нектара, но пчелы вместе собирают много меда.",
       "ru_RU holds пчелы/O, a plural-only head word, beside пчела/H"},
      {u"улей", u"ульи", u"новый", u"Каждый улей стоит на подставке, и ульи красят в светлые цвета.",
       "ru_RU holds улей without flags and ульи/O as a plural-only head word"},
      {u"матка", u"матки", u"молодая", u"Старая матка улетает с роем, а молодые матки дерутся между собой."},
      {u"рамка", u"рамки", u"пустая", u"Пустая рамка стоит в ящике, и все рамки осматривают весной."},
      {u"клещ", u"клещи", u"опасный", u"Один клещ на пчеле быстро размножается, и клещи губят слабые семьи.",
       "ru_RU holds клещи/O (pliers), a plural-only head word, beside клещ/K"},
      {u"трутень", u"трутни", u"молодой", u"Летом трутень не работает в улье, и осенью трутни погибают."},
      {u"рой", u"рои", u"большой", u"Весной рой садится на ветку, и рои улетают к полудню."},
      {u"пасека", u"пасеки", u"старая", u"Наша пасека стоит у леса, и пасеки соседей тоже рядом."},
      {u"пчеловод", u"пчеловоды", u"опытный", u"Каждый пчеловод носит сетку, и многие пчеловоды работают в перчатках."},
      {u"ящик", u"ящики", u"пустой", u"Пустой ящик стоит у стены, и ящики с медом уносят в дом."},
      {u"семья", u"семьи", u"сильная", u"Сильная семья зимует хорошо, а слабые семьи объединяют осенью."},
  };
  return pairs;
}

inline const std::vector<TNounPair>& RussianSailingPairs() {
  static const std::vector<TNounPair> pairs = {
      {u"лодка", u"лодки", u"парусная", u"Маленькая лодка легко слушается руля, и такие лодки есть в каждой гавани."},
      {u"парус", u"паруса", u"белый", u"Сначала поднимают парус, и все паруса ставят по ветру."},
      {u"волна", u"волны", u"высокая", u"Высокая волна может залить кокпит, поэтому волны встречают носом."},
      {u"якорь", u"якоря", u"тяжелый", u"Тяжелый якорь держит в песке, и многие яхты берут два якоря."},
      {u"узел", u"узлы", u"морской", u"Простой узел держит надежно, и каждый моряк знает десяток узлов, а узлы учат с детства."},
      {u"мачта", u"мачты", u"высокая", u"Высокая мачта несет паруса, и у старых кораблей были три мачты."},
      {u"палуба", u"палубы", u"мокрая", u"Мокрая палуба скользкая, и деревянные палубы смазывают маслом."},
      {u"берег", u"берега", u"крутой", u"Крутой берег виден издалека, и берега залива покрыты лесом."},
      {u"остров", u"острова", u"малый", u"Малый остров лежит к северу, и острова закрывают бухту от ветра."},
      {u"моряк", u"моряки", u"молодой", u"Молодой моряк учится вязать узлы, а старые моряки рассказывают истории."},
      {u"карта", u"карты", u"морская", u"Морская карта показывает глубины, и карты нужно обновлять."},
      {u"таблица", u"таблицы", u"приливная", u"Приливная таблица лежит у штурвала, и таблицы дают время полной воды."},
      {u"канат", u"канаты", u"длинный", u"Длинный канат свернут на палубе, и мокрые канаты сушат на солнце."},
      {u"шторм", u"штормы", u"внезапный", u"Внезапный шторм может порвать парус, и осенние штормы самые опасные."},
      {u"корабль", u"корабли", u"большой", u"Большой корабль входит в порт, и корабли стоят у причала."},
  };
  return pairs;
}

// The sentences of the pairs joined by blanks: one paragraph of a document.
inline std::u16string DocumentText(const std::vector<TNounPair>& pairs) {
  std::u16string text;
  for (const TNounPair& pair : pairs) {
    if (!text.empty()) text += u' ';
    text += pair.Sentence;
  }
  return text;
}

}  // namespace kestrune::test
