// Result items about things, places and people whose names are also common
// words or words of another dictionary: Windows (the plural of "window"),
// Queens and Flushing (a plural and a form of "flush"), Wells, Gates, Brooks
// and Banks (plurals), Lincoln, Nice, Reading and Apple (words of other
// dictionaries, an adjective, a verb's form), and in Russian pages Windows,
// Linux, the Angara (a form of "ангар") and the Oka (a form of "око"). The
// names stand at the start of titles and sentences and inside them; a few
// pages use the common word in lower case.
#pragma once

#include "tests/app/word_forms_corpus.h"

namespace kestrune::test {

inline constexpr TCorpusItem kWindowsRussianItems[] = {
    {"Windows 11: как ускорить загрузку системы",
     "Если система Windows загружается медленно, отключите лишние программы в автозагрузке"},
    {"Windows не видит принтер", "Откройте параметры устройств, и Windows сама найдет драйвер принтера"},
    {"Обновление Windows зависло", "Перезагрузите компьютер и запустите средство устранения неполадок Windows"},
    {"Windows 10 или Windows 11", "Новая версия требует модуль TPM, а старые компьютеры остаются на Windows 10"},
    {"Как переустановить Windows", "Запишите образ Windows на флешку и загрузите компьютер с нее"},
    {"Windows и Linux на одном диске", "Сначала установите Windows, затем Linux, и загрузчик предложит выбор системы"},
    {"Windows защищает от вирусов", "Встроенный антивирус Windows проверяет файлы при каждом открытии"},
    {"Окна программ в Windows", "Окна можно прикрепить к краю экрана, и Windows расставит их сама"},
    {"Windows теряет сеть", "Если Windows теряет сеть после сна, обновите драйвер сетевой карты"},
    {"Лицензия Windows", "Ключ Windows хранится в прошивке ноутбука и активирует систему при установке"},
    {"Восстановление системы", "Точка восстановления возвращает Windows к состоянию до установки программы"},
    {"Горячие клавиши Windows", "Сочетание клавиш открывает проводник, а Windows запоминает последние папки"},
};

inline constexpr TCorpusItem kWindowsEnglishItems[] = {
    {"Windows cannot find the printer", "Turn the printer on, open the settings, and then Windows finds the device."},
    {"Windows update stuck at 99 percent",
     "Leave the computer on for an hour, because Windows often finishes the update by itself."},
    {"Speed up the start of Windows", "Disable the programs that start with Windows and the desktop appears sooner."},
    {"Windows asks for a password after sleep", "Change the sign-in options if Windows should wake without a password."},
    {"Dual boot with Windows and Linux", "Install Windows first, and the Linux installer adds both systems to the boot menu."},
    {"Windows Defender blocks an app", "Open the protection history to see why Windows blocked the file."},
    {"Windows keeps losing the network", "Update the network driver when Windows drops the connection after sleep."},
    {"Move windows with the keyboard", "Press the Windows key and an arrow to snap open windows to the side of the screen."},
};

inline constexpr TCorpusItem kQueensItems[] = {
    {"Queens food tour in Flushing",
     "Start on Main Street in Flushing, where dumplings cost a dollar, and see why Queens is the borough of food."},
    {"Getting around Queens by subway", "The 7 train runs from Manhattan through Long Island City to Flushing."},
    {"The Queens Museum and its panorama", "The museum in Flushing Meadows holds a model of every building in the city."},
    {"Where to stay in Queens", "Hotels near the airports cost less, and Queens has good trains to Manhattan."},
    {"Astoria in Queens: Greek food and parks", "Astoria Park looks across the river, and families from all over Queens come for the pool."},
    {"Flushing Meadows and the US Open", "Every August the tennis world comes to Queens for the US Open."},
    {"The night market in Queens", "On summer Saturdays the market fills a parking lot in Queens with food stalls."},
    {"Jackson Heights in Queens", "More languages are spoken in Queens than anywhere else in the country."},
};

inline constexpr TCorpusItem kWellsItems[] = {
    {"Wells Cathedral and its clock", "The cathedral in Wells has one of the oldest clocks in England."},
    {"A day in Wells", "Wells is the smallest city in England, with a market twice a week."},
    {"The springs of the city", "The city takes its name from the wells that rise beside the palace of the bishop."},
    {"Walking from Wells to Glastonbury", "The path leaves Wells by the moat and crosses the levels in three hours."},
    {"Saturday market in Wells", "Farmers bring cheese and cider to the square in Wells every Saturday."},
};

inline constexpr TCorpusItem kGatesItems[] = {
    {"Bill Gates and the first deal with IBM", "In 1980 Gates sold a system for the new computer before his company had written it."},
    {"Gates leaves the board", "Gates left the board of the company to spend his time on the foundation."},
    {"The foundation pays for vaccines", "The foundation that Gates started with his wife pays for vaccines in poor countries."},
    {"What Gates reads in summer", "Every year Gates posts a list of books for the holidays."},
    {"Garden gates of wrought iron", "Old iron gates need paint every few years so that the hinges do not rust."},
};

inline constexpr TCorpusItem kBrooksItems[] = {
    {"Mel Brooks at ninety", "Brooks still writes jokes every morning, his friends say."},
    {"The films of Mel Brooks", "Brooks made comedies about westerns, monsters and the movies themselves."},
    {"Brooks on the stage", "The musical that Brooks wrote won twelve awards on Broadway."},
    {"How Brooks met Gene Wilder", "Brooks cast Wilder in his first film, and they worked together for years."},
    {"Trout in mountain brooks", "Small brooks hold wild trout in the cold water under the rocks."},
};

inline constexpr TCorpusItem kBanksItems[] = {
    {"Iain Banks and the Culture novels", "Banks wrote ten novels about a society run by friendly machines."},
    {"The Wasp Factory", "The first novel that Banks published shocked many readers in 1984."},
    {"Banks with and without an M", "Banks signed his science fiction with his middle initial."},
    {"Reading Banks for the first time", "Start with Consider Phlebas, then read the rest of Banks in order."},
    {"The banks raise their rates", "Most banks raised their rates again this month."},
};

inline constexpr TCorpusItem kLincolnItems[] = {
    {"Lincoln at Gettysburg", "Lincoln spoke for two minutes at the cemetery in November 1863."},
    {"Lincoln in Illinois", "Lincoln worked as a lawyer in Springfield before he went to Washington."},
    {"The memorial on the Mall", "The statue of Lincoln looks over the reflecting pool."},
    {"Lincoln and the Civil War", "Lincoln kept the Union together through four years of war."},
    {"Visiting Lincoln Cathedral", "The city of Lincoln in England has a cathedral on the hill."},
};

inline constexpr TCorpusItem kNiceItems[] = {
    {"A weekend in Nice", "Nice lies on the Bay of Angels, and the old town is full of markets."},
    {"The promenade in Nice", "Walk along the promenade in Nice at sunset when the sea turns pink."},
    {"From the airport to Nice", "The tram takes twenty minutes from the airport to the centre of Nice."},
    {"Nice in winter", "Nice is mild in winter, and the carnival fills the streets in February."},
    {"A nice day on the coast", "It was a nice day, so we took the train along the coast."},
};

inline constexpr TCorpusItem kReadingItems[] = {
    {"Reading Festival in August", "Every summer the festival fills the fields by the river in Reading."},
    {"Trains from London to Reading", "Fast trains reach Reading from Paddington in under half an hour."},
    {"The abbey ruins of Reading", "The ruins of the abbey stand in the middle of Reading near the river."},
    {"Reading football club", "The club plays its home games on the south side of Reading."},
    {"Reading before sleep", "Reading a paper book before sleep helps many people rest."},
};

inline constexpr TCorpusItem kAppleItems[] = {
    {"Apple shows a new phone", "Apple showed its new phone on Tuesday with a larger battery."},
    {"Apple opens a store in Milan", "The store that Apple opened in Milan sits under a fountain."},
    {"Apple and the price of repairs", "Apple now sells parts so that owners can repair their own phones."},
    {"An apple a day", "An apple a day is an old saying, and each apple holds a lot of fibre."},
    {"Apple pie from the oven", "Slice one apple thinly and bake the pie for forty minutes."},
};

inline constexpr TCorpusItem kLinuxRussianItems[] = {
    {"Linux на старом ноутбуке", "Легкая сборка Linux оживит старый ноутбук с двумя гигабайтами памяти"},
    {"Как установить Linux", "Запишите образ Linux на флешку и загрузитесь с нее"},
    {"Linux для сервера", "Большинство серверов в интернете работает под Linux"},
    {"Терминал в Linux", "Команды терминала в Linux работают одинаково на любой сборке"},
    {"Linux и игры", "Многие игры теперь запускаются в Linux без эмулятора"},
};

inline constexpr TCorpusItem kAngaraItems[] = {
    {"Ангара вытекает из Байкала", "Ангара единственная река, которая вытекает из Байкала"},
    {"Плотины на реке", "На Ангаре построили четыре большие гидроэлектростанции"},
    {"Сплав по реке летом", "Летом туристы сплавляются по Ангаре на катамаранах"},
    {"Ангара зимой не замерзает", "У Иркутска Ангара не замерзает даже в сильные морозы"},
    {"Набережная в Иркутске", "Набережная тянется вдоль реки, и Ангара видна из любого кафе"},
    {"Самолет вывели из ангара", "Техники вывели самолет из ангара и заправили его перед рейсом"},
};

inline constexpr TCorpusItem kOkaItems[] = {
    {"Ока у Калуги", "Ока течет через Калугу и Рязань и впадает в Волгу"},
    {"Весенний разлив", "Весной Ока разливается на несколько километров"},
    {"Ока в Нижнем Новгороде", "В Нижнем Новгороде Ока впадает в Волгу у Стрелки"},
    {"Пляжи на реке", "Летом Ока мелеет, и на берегу много пляжей с чистым песком"},
    {"Рыбалка в мае", "В мае Ока еще холодная, но лещ уже клюет у берега"},
};

}  // namespace kestrune::test
