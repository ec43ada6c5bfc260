# Read by ctest: the longest game runs start first when the e2e tests run side by side,
# so that none of them is left running alone at the end. Seconds, measured; once ctest has
# timed a run of its own (Testing/Temporary/CTestCostData.txt) its figures are used instead.
set(_korvane_costs
  PilotsE2E.PilotCampaignAndSettingsThroughTheMenu=150
  FightE2E.PirateDiesTheAttackerHitsAndTransportsReuseTheBays=126
  SectorScenesE2E.SectorOneRunsItsScenesWithNothingMissing=117
  IntroDepartureE2E.TheSecondIntroEndsWithTheDepartureWritingSectorOne=101
  CampaignIntroE2E.TheCaptainsTalkShowsAndAnswersAfterThePlanetAndSpaceIntros=88
  SpaceScenesE2E.SecondIntroFliesItsShotsToTheHandOverNeverBlackForLong=84
  SpaceScenesE2E.FirstIntroFadesInAndPlaysToItsEnd=72
  SectorE2E.IntrosLeadToSectorOneWithTheHeroShip=70
  PlanetE2E.FirstIntroPlaysItsScenesWithTheGuidesTalks=69
  SectorTrafficE2E.ATransportComingToTheMineHailsThePlayerWaitingAtItsGate=66
  StationMenuE2E.DockPageAndAHullUpgrade=47
  LocationsE2E.SpaceStartFliesAndSkipsTheIntro=47
  StationPagesE2E.UpgradeMercenaryAndTheRadioOnTheSectorMap=43
  NetworkGame.FourCopiesPlayAMultiplayerMapOverALossyNetwork=40
  SpaceScenesE2E.MenuSceneShowsItsShipsBehindTheMainMenu=37
  MenuE2E.LogoMenuDialogPageAndLoadingScreen=35
  GfxGameE2E.DeviceLostAndResetKeepTheGameRunning=28
  NetworkGame.PageOpensFromTheMainMenuByClicks=25
  GfxGameE2E.WindowShowsFramesDrawnByGl=25
  SpaceScenesE2E.SectorOpensWithTheStationsArrivalUnderItsLongText=24
  PlanetE2E.StationInteriorShowsTheRoomAndItsPeople=24
  PlanetE2E.FirstIntroShowsTheMeadowAndItsPeople=22
  EndGameE2E.VictoryShowsTheResultsAndDefeatAsksToStartAgain=18
  RadioE2E.RadioMenuOrdersTheHiredWingman=14
  RadioE2E.CallingAShipOpensTheCommPanelAndADigitGivesItAnOrder=12)
# A renamed test only loses its place in the queue.
foreach(_entry IN LISTS _korvane_costs)
  string(REPLACE "=" ";" _entry "${_entry}")
  list(GET _entry 0 _name)
  list(GET _entry 1 _cost)
  list(FIND test_e2e_TESTS "${_name}" _found)
  if(_found GREATER -1)
    set_tests_properties("${_name}" PROPERTIES COST ${_cost})
  endif()
endforeach()
