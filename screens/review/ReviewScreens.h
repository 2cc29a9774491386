#pragma once
// The review lists: registers "myFavorites", "myFavoritesDetail", "errorRedoList", "errorRedoDetail"
// and "findTest" with the screen factory.
void registerReviewScreens();
