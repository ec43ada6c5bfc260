# Read by ctest: the longest game runs start first when the e2e tests run side by side,
# so that none of them is left running alone at the end. Seconds, measured four at a
# time on a busy machine; once ctest has timed a run of its own (Testing/Temporary/
# CTestCostData.txt) its figures are used instead.
set(_korvane_costs
  PilotsE2E.PilotCampaignAndSettingsThroughTheMenu=244
  CampaignIntroE2E.TheCaptainsTalkShowsAndAnswersAfterThePlanetAndSpaceIntros=232
  SectorScenesE2E.SectorOneRunsItsScenesWithNothingMissing=202
  FightE2E.PirateDiesTheAttackerHitsAndTransportsReuseTheBays=159
  IntroDepartureE2E.TheSecondIntroEndsWithTheDepartureWritingSectorOne=159
  SpaceScenesE2E.SecondIntroFliesItsShotsToTheHandOverNeverBlackForLong=124
  StationMenuE2E.DockPageAndAHullUpgrade=117
  SpaceScenesE2E.FirstIntroFadesInAndPlaysToItsEnd=113
  SectorE2E.IntrosLeadToSectorOneWithTheHeroShip=106
  PlanetE2E.FirstIntroPlaysItsScenesWithTheGuidesTalks=103
  LocationsE2E.SpaceStartFliesAndSkipsTheIntro=95
  GfxGameE2E.DeviceLostAndResetKeepTheGameRunning=92
  GfxGameE2E.WindowShowsFramesDrawnByGl=91
  StationPagesE2E.UpgradeMercenaryAndTheRadioOnTheSectorMap=86
  SectorTrafficE2E.ATransportComingToTheMineHailsThePlayerWaitingAtItsGate=81
  SpaceScenesE2E.MenuSceneShowsItsShipsBehindTheMainMenu=60
  MenuE2E.LogoMenuDialogPageAndLoadingScreen=60
  NetworkGame.FourCopiesPlayAMultiplayerMapOverALossyNetwork=47
  NetworkGame.PageOpensFromTheMainMenuByClicks=45
  PlanetE2E.StationInteriorShowsTheRoomAndItsPeople=45
  SpaceScenesE2E.SectorOpensWithTheStationsArrivalUnderItsLongText=40
  Sectors/CampaignSectorE2E.=40
  PlanetE2E.FirstIntroShowsTheMeadowAndItsPeople=39
  EndGameE2E.VictoryShowsTheResultsAndDefeatAsksToStartAgain=28
  RadioE2E.RadioMenuOrdersTheHiredWingman=23
  RadioE2E.CallingAShipOpensTheCommPanelAndADigitGivesItAnOrder=17)
# A renamed test only loses its place in the queue; a name ending in "." stands for
# every test of that suite.
foreach(_test IN LISTS test_e2e_TESTS)
  foreach(_entry IN LISTS _korvane_costs)
    string(REPLACE "=" ";" _entry "${_entry}")
    list(GET _entry 0 _name)
    list(GET _entry 1 _cost)
    string(FIND "${_test}" "${_name}" _at)
    if(_test STREQUAL _name OR (_at EQUAL 0 AND _name MATCHES "\\.$"))
      set_tests_properties("${_test}" PROPERTIES COST ${_cost})
    endif()
  endforeach()
endforeach()
